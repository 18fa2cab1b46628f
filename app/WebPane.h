#pragma once

#include <QWebEngineView>

namespace korvel::app {

// The web pane (wbbMain): the maker's site inside the window. It is busy
// while a page loads.
class WebPane final : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebPane(QWidget *parent = nullptr);

    bool isBusy() const { return m_busy; }
    // Never been anywhere yet (the blank page the window starts with).
    bool isBlank() const;

private:
    bool m_busy = false;
};

} // namespace korvel::app
