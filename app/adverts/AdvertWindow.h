#pragma once

#include <QPointer>
#include <QWidget>

class QTimer;
class QWebEngineView;

namespace korvel::adverts {
class Clock;
}

namespace korvel::platform {
class ShellService;
}

namespace korvel::app {

// The advert window (frmAD): a small top-most window at the bottom right of
// the screen that shows the site's advert page for a minute. It never takes
// the keyboard focus, and it closes itself: after the minute, on its close
// mark or strip, when its page asks for a new window (the link then opens in
// the desktop's browser), or when the page cannot be had.
class AdvertWindow final : public QWidget {
    Q_OBJECT
public:
    AdvertWindow(const QString &siteRoot, platform::ShellService *shell, adverts::Clock &clock);
    ~AdvertWindow() override;

    // Shows the window at the right edge just below the screen, without
    // activating it; the first tick of its timer lifts it above the bottom panel.
    void showBelowScreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void rise();
    void openLink(const QUrl &link);

    adverts::Clock &m_clock;
    platform::ShellService *m_shell = nullptr;
    QWebEngineView *m_browser = nullptr;
    QWidget *m_strip = nullptr;
    QWidget *m_closeMark = nullptr;
    QTimer *m_riseTimer = nullptr;
    QTimer *m_lifeTimer = nullptr;
    // The window that had the keyboard when the advert came up; it gets it
    // back should the desktop hand it to the advert after all.
    QPointer<QWidget> m_focusOwner;
};

} // namespace korvel::app
