// The web engine's side of the window, built as a library of its own (see
// WebParts.h): the banner and its adverts, the web pane, the downloader's
// dialog.

#include "app/adverts/AdvertDriver.h"
#include "app/AppContext.h"
#include "app/web/DownloadDialog.h"
#include "app/web/WebPane.h"
#include "app/WebParts.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QUrl>
#include <QWebEngineView>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
QT_END_NAMESPACE

namespace korvel::app {

namespace {

// The engine composes through OpenGL contexts that share with one global
// context, and asks that context for its format even when it draws in
// software. Loaded after the application was made, it finds none: one is
// made here, before the first view. Where the program runs without OpenGL
// (the usual case, see platform/Drawing.h) the context stays invalid, no
// driver is loaded, and the views and the engine draw in software.
void prepareEngine()
{
    if (!qt_gl_global_share_context()) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        auto *shared = new QOpenGLContext(qApp);
        shared->create();
        qt_gl_set_global_share_context(shared);
        if (!shared->isValid())
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
}

class EngineWebParts final : public QObject, public WebParts {
public:
    EngineWebParts(const AppContext &context, QWidget *owner)
        : QObject(owner)
        , m_context(context)
    {
        prepareEngine();
        m_banner = new QWebEngineView(owner);
        m_banner->setObjectName(QStringLiteral("wbbTopAD"));
        m_banner->setContextMenuPolicy(Qt::NoContextMenu);
        m_pane = new WebPane(*context.shell, owner);
        m_pane->hide();
        m_banner->show();
        m_pane->setUrl(QUrl(QStringLiteral("about:blank")));
        // The connection test, the banner's first page and the advert timers.
        m_adverts = new AdvertDriver(m_context, m_banner, this);
    }

    QWidget *banner() const override { return m_banner; }
    QWidget *pane() const override { return m_pane; }
    bool isBlank() const override { return m_pane->isBlank(); }
    bool isBusy() const override { return m_pane->isBusy(); }
    void open(const QString &address) override { m_pane->open(QUrl(address)); }
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
    AppContext m_context;
    QWebEngineView *m_banner = nullptr;
    WebPane *m_pane = nullptr;
    AdvertDriver *m_adverts = nullptr;
};

} // namespace

} // namespace korvel::app

extern "C" Q_DECL_EXPORT korvel::app::WebParts *korvelMakeWebParts(const korvel::app::AppContext &context,
                                                                   QWidget *owner)
{
    return new korvel::app::EngineWebParts(context, owner);
}
