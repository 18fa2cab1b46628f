#pragma once

#include <QWebEngineView>

#include <functional>

namespace korvel::platform {
class ShellService;
}

namespace korvel::app {

// The web pane (wbbMain): the maker's site inside the window. It is busy
// while a page loads, shows no script dialogs, and keeps the site's pop-ups:
// a link meant for a new window opens in the pane when its address carries
// the site word, and in the desktop's browser otherwise.
class WebPane final : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebPane(platform::ShellService &shell, QWidget *parent = nullptr);

    // Goes to the address. One asked for while the blank page the pane
    // starts with is still coming is asked for once it is in: the browser
    // would otherwise keep showing the address without ever loading it.
    void open(const QUrl &address);

    bool isBusy() const { return m_busy || !m_afterBlank.isEmpty(); }
    // Never been anywhere yet (the blank page the window starts with).
    bool isBlank() const;

    // The page's body HTML as the browser writes it back (tag names in lower
    // case, "&" as "&amp;"); "" for a page without a body. done runs later,
    // from the event loop, never inside the browser's own callback; not at
    // all when the pane is gone by then.
    void readBody(std::function<void(const QString &html)> done);

private:
    platform::ShellService &m_shell;
    bool m_busy = false;
    bool m_blankComing = false;
    QUrl m_afterBlank;
};

} // namespace korvel::app
