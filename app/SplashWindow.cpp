#include "app/SplashWindow.h"

#include "app/SplashPicture.h"

#include <QApplication>
#include <QBitmap>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace korvel::app {

namespace {

// How long start-up waits at most for the desktop to put the splash on screen.
constexpr int kExposeWaitMs = 50;

// A compositing manager on X11 owns the selection _NET_WM_CM_S<screen>.
bool x11Composites()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    const int screens = xcb_setup_roots_length(xcb_get_setup(c));
    for (int i = 0; i < screens; ++i) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(i);
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, quint16(name.size()), name.constData()), nullptr);
        if (!atom)
            continue;
        const xcb_atom_t selection = atom->atom;
        std::free(atom);
        if (selection == XCB_ATOM_NONE)
            continue;
        xcb_get_selection_owner_reply_t *owner =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    return false;
}

} // namespace

bool desktopComposites()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb"))
        return x11Composites();
    return platform.startsWith(QLatin1String("wayland"));
}

SplashWindow::SplashWindow(const QImage &picture, bool composited)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_picture(picture)
    , m_composited(composited)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    // Closed by a click while the main window is not up yet, it must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(m_picture.size());
    // Without a compositor the window still takes the picture's outline.
    if (!m_composited && m_picture.hasAlphaChannel())
        setMask(QBitmap::fromImage(m_picture.createAlphaMask()));
}

void SplashWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_composited) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        p.fillRect(rect(), palette().window());
    }
    p.drawImage(0, 0, m_picture);
}

void SplashWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragged = false;
    m_movingByHand = false;
    m_pressedAt = event->globalPosition().toPoint();
    m_windowWasAt = pos();
}

void SplashWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint offset = event->globalPosition().toPoint() - m_pressedAt;
    if (!m_dragged) {
        if (offset.manhattanLength() < QApplication::startDragDistance())
            return;
        m_dragged = true;
        // The window system moves the window when it can; where it refuses,
        // the window follows the pointer by hand.
        m_movingByHand = !(windowHandle() && windowHandle()->startSystemMove());
    }
    if (m_movingByHand)
        move(m_windowWasAt + offset);
}

void SplashWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (!m_dragged) {
        close();
        return;
    }
    raise();
}

void SplashWindow::mouseDoubleClickEvent(QMouseEvent *)
{
    close();
}

SplashWindow *showSplash(const QString &appDir)
{
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QImage picture = readSplashPicture(appDir + QStringLiteral("/splash.png"), area.size());
    if (picture.isNull())
        return nullptr;
    auto *splash = new SplashWindow(picture, desktopComposites());
    if (area.isValid())
        splash->move(area.topLeft() + QPoint((area.width() - picture.width()) / 2, (area.height() - picture.height()) / 2));
    splash->show();
    splash->raise();
    // The main window's load holds the event loop, so the splash is drawn
    // now: once the desktop has it on screen, or after a short wait at most.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!splash->windowHandle() || splash->windowHandle()->isExposed() || waited.elapsed() >= kExposeWaitMs)
            break;
        QThread::msleep(1);
    }
    splash->repaint();
    return splash;
}

} // namespace korvel::app
