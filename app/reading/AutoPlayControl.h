#pragma once

#include "view/AutoPlay.h"

#include <QObject>
#include <QString>

class QAction;
class QTimer;

namespace korvel::app {

class ReadingToolbar;

// Pages turning on a timer: the menu entry (mnuAutoPlay) and the toolbar's
// switch show whether it runs, the seconds box says how often, and the
// timer (timAutoPlay) ticks once a second. turnWanted() asks for the next page.
class AutoPlayControl final : public QObject {
    Q_OBJECT
public:
    AutoPlayControl(QAction &entry, ReadingToolbar &toolbar, QObject *parent);

    bool isRunning() const;
    // Starts or stops it; the entry, the switch and the seconds box follow.
    void toggle();

signals:
    void turnWanted();

private:
    void secondsChanged();
    void tick();

    QAction &m_entry;
    ReadingToolbar &m_toolbar;
    QTimer *m_timer = nullptr;
    view::AutoPlayCounter m_counter;
    QString m_lastGoodSeconds = QStringLiteral("10");
};

} // namespace korvel::app
