#include "app/adverts/AdvertWindow.h"

#include "adverts/Clock.h"
#include "adverts/Placement.h"
#include "platform/Services.h"
#include "platform/SiteConfig.h"
#include "view/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace korvel::app {

namespace {

// The window and its strip, in twips.
constexpr float kWindowWidth = 3750;
constexpr float kWindowHeight = 2700;
constexpr float kStripWidth = 600;
constexpr float kStripHeight = 270;
// The browser's own border lies outside the window by this much on every side.
constexpr float kBrowserInset = 15;
constexpr int kLifeMs = 60000;

// The close mark: a cross, drawn, so that it looks the same whatever fonts
// the machine has.
class CloseMark final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(60, 60, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
        const QRectF r = QRectF(rect()).adjusted(5, 5, -5, -5);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
    }
};

} // namespace

AdvertWindow::AdvertWindow(const QString &siteRoot, platform::ShellService *shell, adverts::Clock &clock)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_clock(clock)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("frmAD"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing it never ends the program, nor keeps it alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    resize(toPixels(kWindowWidth), toPixels(kWindowHeight));

    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setContextMenuPolicy(Qt::NoContextMenu);
    m_browser->setFocusPolicy(Qt::NoFocus);
    m_browser->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    m_browser->setGeometry(TwipsRect{-kBrowserInset, -kBrowserInset, kWindowWidth + 2 * kBrowserInset,
                                     kWindowHeight + 2 * kBrowserInset}
                               .toPixels());

    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("Picture1"));
    m_strip->setAttribute(Qt::WA_StyledBackground);
    m_strip->setStyleSheet(QStringLiteral(
        "QWidget#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f6fa, stop:1 #d3dced); }"));
    m_strip->setCursor(Qt::PointingHandCursor);
    m_strip->setGeometry(TwipsRect{kWindowWidth - kStripWidth, 0, kStripWidth, kStripHeight}.toPixels());
    m_closeMark = new CloseMark(m_strip);
    m_closeMark->setObjectName(QStringLiteral("Label1"));
    m_closeMark->setGeometry(TwipsRect{kStripWidth - kStripHeight, 0, kStripHeight, kStripHeight}.toPixels());
    m_strip->installEventFilter(this);
    m_closeMark->installEventFilter(this);

    m_riseTimer = new QTimer(this);
    m_riseTimer->setObjectName(QStringLiteral("Timer1"));
    m_riseTimer->setInterval(1);
    m_riseTimer->setSingleShot(true);
    connect(m_riseTimer, &QTimer::timeout, this, &AdvertWindow::rise);
    m_lifeTimer = new QTimer(this);
    m_lifeTimer->setObjectName(QStringLiteral("Timer2"));
    m_lifeTimer->setInterval(kLifeMs);
    connect(m_lifeTimer, &QTimer::timeout, this, &QWidget::close);

    connect(m_browser->page(), &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { openLink(request.requestedUrl()); });
    // A page the site will not give leaves nothing worth showing.
    connect(m_browser, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!ok)
            close();
    });
    m_browser->setUrl(QUrl(platform::siteAddress(siteRoot, platform::kAdvertPage)));
}

AdvertWindow::~AdvertWindow()
{
    // A load the closing cuts short reports back; nobody is left to hear it.
    disconnect(m_browser, nullptr, this, nullptr);
    disconnect(m_browser->page(), nullptr, this, nullptr);
}

void AdvertWindow::showBelowScreen()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(adverts::advertBelowScreen(screen->geometry(), frameSize()));
    m_focusOwner = QApplication::activeWindow();
    m_clock.start(m_lifeTimer);
    m_clock.start(m_riseTimer);
    show();
}

void AdvertWindow::rise()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(adverts::advertAbovePanel(screen->geometry(), screen->availableGeometry(), frameSize()));
    raise();
}

void AdvertWindow::openLink(const QUrl &link)
{
    if (m_shell && link.isValid())
        m_shell->open(link);
    close();
}

bool AdvertWindow::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_strip || watched == m_closeMark) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AdvertWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Where the desktop ignores the window's wish not to be activated, the
    // keyboard goes straight back to where it was.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_focusOwner && m_focusOwner != this
        && m_focusOwner->isVisible())
        m_focusOwner->activateWindow();
}

void AdvertWindow::closeEvent(QCloseEvent *event)
{
    m_clock.stop(m_riseTimer);
    m_clock.stop(m_lifeTimer);
    QWidget::closeEvent(event);
}

} // namespace korvel::app
