#pragma once

#include <QImage>
#include <QWidget>

namespace korvel::app {

// The splash window (frmSplash): the splash picture alone, in its own shape,
// over every other window while the main window loads. A click or a double
// click closes it at once; a press and drag moves it.
class SplashWindow final : public QWidget {
    Q_OBJECT
public:
    // picture: already cut to the screen. composited: the desktop blends
    // windows by their alpha; without that, the picture's see-through parts
    // show a plain background rather than whatever the window held.
    SplashWindow(const QImage &picture, bool composited);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    bool m_composited = false;
    bool m_pressed = false;
    bool m_dragged = false;
    bool m_movingByHand = false;
    QPoint m_pressedAt;    // global, where the press was
    QPoint m_windowWasAt;  // the window's position at the press
};

// True when the desktop blends windows by their per-pixel alpha.
bool desktopComposites();

// Start-up's splash: shown at once, centred, over every other window, when
// the application folder holds a usable "splash.png"; otherwise nothing is
// shown and nullptr comes back.
SplashWindow *showSplash(const QString &appDir);

} // namespace korvel::app
