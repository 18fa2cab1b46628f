// The web engine's side of the window, built as a library of its own (see
// WebParts.h): the banner and its adverts, the web pane, the downloader's
// dialog.

#include "app/adverts/AdvertDriver.h"
#include "app/AppContext.h"
#include "app/web/DownloadDialog.h"
#include "app/web/WebPane.h"
#include "app/WebParts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QUrl>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
QT_END_NAMESPACE

namespace korvel::app {

namespace {

// The engine draws through OpenGL contexts that share with one global
// context. Loaded after the application was made, it finds none: it is made
// here, before the first view. False when the machine has no OpenGL (the
// engine then draws in software).
bool prepareEngine()
{
    // The web views' windows make their holders native; the frame's other
    // parts stay drawn in the frame's window, layered as they were.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    if (!qt_gl_global_share_context()) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        auto *shared = new QOpenGLContext(qApp);
        shared->create();
        qt_gl_set_global_share_context(shared);
    }
    return qt_gl_global_share_context()->isValid();
}

// A window container places its window when it is resized, but not when it
// is shown after being resized hidden: the web pane would come up at the
// size it had before. Once shown, it is told its size again.
class ShowSync final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            // After the container has taken the show itself.
            QPointer<QWidget> holder(static_cast<QWidget *>(watched));
            QMetaObject::invokeMethod(
                this,
                [holder] {
                    if (!holder)
                        return;
                    QResizeEvent resize(holder->size(), holder->size());
                    QCoreApplication::sendEvent(holder, &resize);
                },
                Qt::QueuedConnection);
        }
        return false;
    }
};

class EngineWebParts final : public QObject, public WebParts {
public:
    EngineWebParts(const AppContext &context, QWidget *owner)
        : QObject(owner)
        , m_context(context)
    {
        const bool openGL = prepareEngine();
        m_banner = new QWebEngineView;
        m_banner->setObjectName(QStringLiteral("wbbTopAD"));
        m_banner->setContextMenuPolicy(Qt::NoContextMenu);
        m_pane = new WebPane(*context.shell);
        if (hasChildWindows()) {
            m_bannerPlace = hold(m_banner, owner, openGL);
            m_panePlace = hold(m_pane, owner, openGL);
        } else {
            m_banner->setParent(owner);
            m_pane->setParent(owner);
            m_bannerPlace = m_banner;
            m_panePlace = m_pane;
        }
        m_panePlace->hide();
        m_bannerPlace->show();
        m_pane->setUrl(QUrl(QStringLiteral("about:blank")));
        // The connection test, the banner's first page and the advert timers.
        m_adverts = new AdvertDriver(m_context, m_banner, this);
        if (m_bannerPlace != m_banner)
            qApp->installEventFilter(this);
    }

    // A window inside the frame cannot be closed on its own, and the
    // application, asked to quit, would take it for a window that refused
    // to close and stay. So the views step aside while the windows close,
    // and come back if the application stays after all.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit) {
            for (QWidget *view : {static_cast<QWidget *>(m_banner), static_cast<QWidget *>(m_pane)}) {
                if (!view->isVisible())
                    continue;
                view->hide();
                QTimer::singleShot(0, view, [view] { view->show(); });
            }
        }
        return false;
    }

    QWidget *banner() const override { return m_bannerPlace; }
    QWidget *pane() const override { return m_panePlace; }
    bool isBlank() const override { return m_pane->isBlank(); }
    bool isBusy() const override { return m_pane->isBusy(); }
    void open(const QString &address) override { m_pane->setUrl(QUrl(address)); }
    QString address() const override { return m_pane->url().toString(); }
    void readBody(std::function<void(const QString &)> done) override { m_pane->readBody(std::move(done)); }
    bool isConnected() const override { return m_adverts->isConnected(); }

    QDialog *downloadDialog(const QString &html, const QString &address, int preselect, QWidget *owner,
                            std::function<void(qint64)> completed) override
    {
        auto *dialog = new DownloadDialog(m_context, html, address, preselect, owner);
        QObject::connect(dialog, &DownloadDialog::completed, dialog, std::move(completed));
        return dialog;
    }

private:
    // Windows inside windows need a windowing system: the offscreen and
    // minimal platforms (tests, scripts) have none and draw in software.
    static bool hasChildWindows()
    {
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    }

    // A web view draws through OpenGL. Inside the frame's own window it
    // would make every repaint of that window, page turns included, go
    // through the engine's compositing. So each view is a window of its own,
    // held by a window container in the place the frame gives it.
    // (Qt 6.7 and later make no container for a widget's window and hand
    // the view back as a plain child: then it draws as before, only slower.)
    // The view is the place's first child, so it (and its window) goes
    // before the holder, which would otherwise delete the view's window
    // from under it.
    static QWidget *hold(QWidget *view, QWidget *owner, bool openGL)
    {
        auto *place = new QWidget(owner);
        view->setParent(place, Qt::Window);
        // Shown, it leaves the keys where they are (a click takes them).
        view->setAttribute(Qt::WA_ShowWithoutActivating);
        // The view's window must be an OpenGL one from the start: the engine
        // adds its drawing surface later, and a window remade for it then
        // would leave the holder empty. A hidden OpenGL child says so.
        if (openGL)
            (new QOpenGLWidget(view))->hide();
        // A window of no size is never shown.
        view->resize(owner->size().expandedTo(QSize(1, 1)));
        view->winId();
        auto *holder = QWidget::createWindowContainer(view->windowHandle(), place);
        holder->setFocusPolicy(Qt::NoFocus);
        holder->installEventFilter(new ShowSync(holder));
        auto *layout = new QVBoxLayout(place);
        layout->setContentsMargins(QMargins());
        layout->addWidget(holder);
        return place;
    }

    AppContext m_context;
    QWebEngineView *m_banner = nullptr;
    WebPane *m_pane = nullptr;
    QWidget *m_bannerPlace = nullptr;
    QWidget *m_panePlace = nullptr;
    AdvertDriver *m_adverts = nullptr;
};

} // namespace

} // namespace korvel::app

extern "C" Q_DECL_EXPORT korvel::app::WebParts *korvelMakeWebParts(const korvel::app::AppContext &context,
                                                                   QWidget *owner)
{
    return new korvel::app::EngineWebParts(context, owner);
}
