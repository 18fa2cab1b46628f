#pragma once

#include "adverts/AdvertSchedule.h"
#include "app/AppContext.h"

#include <QObject>
#include <QPointer>

class QTimer;
class QWebEngineView;

namespace korvel::app {

class AdvertWindow;

// The main window's two advert timers: timTopAD keeps the top banner fresh
// while the machine is online and brings the online page back when the
// connection returns; timAD brings up the advert window every ten minutes
// while online. Both keep the program's "connected" flag up to date.
class AdvertDriver final : public QObject {
    Q_OBJECT
public:
    // Tests the connection, points the banner at the online or the offline
    // page, and starts both timers.
    AdvertDriver(const AppContext &context, QWebEngineView *banner, QObject *parent);
    ~AdvertDriver() override;

    bool isConnected() const { return m_schedule.isConnected(); }
    // The advert window on screen, if any.
    AdvertWindow *advertWindow() const;

private:
    void bannerTick();
    void advertTick();

    AppContext m_context;
    adverts::Clock &m_clock;
    adverts::AdvertSchedule m_schedule;
    QWebEngineView *m_banner = nullptr;
    QTimer *m_bannerTimer = nullptr;
    QTimer *m_advertTimer = nullptr;
    QPointer<AdvertWindow> m_window;
};

} // namespace korvel::app
