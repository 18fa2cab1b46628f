#include "app/web/WebPane.h"

#include "platform/Services.h"
#include "web/SiteRules.h"

#include <QPointer>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <utility>

namespace korvel::app {

namespace {

const QUrl &blankPage()
{
    static const QUrl blank(QStringLiteral("about:blank"));
    return blank;
}

// A page that never stops the user with a script's dialog.
class SilentPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &) override { return false; }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override { return false; }
};

} // namespace

WebPane::WebPane(platform::ShellService &shell, QWidget *parent)
    : QWebEngineView(parent)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("wbbMain"));
    setPage(new SilentPage(this));
    // Loading the blank page the pane starts with (which the browser may do
    // only when the page is first asked for something) is no page loading.
    connect(page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        const bool started = info.status() == QWebEngineLoadingInfo::LoadStartedStatus;
        const bool blank = info.url() == blankPage();
        m_busy = started && !blank;
        if (blank)
            m_blankComing = started;
        if (blank && !started && !m_afterBlank.isEmpty())
            setUrl(std::exchange(m_afterBlank, QUrl()));
    });
    // No new window is opened for a pop-up: the request is left unanswered.
    connect(page(), &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
        const QUrl url = request.requestedUrl();
        if (web::isSiteAddress(url))
            setUrl(url);
        else
            m_shell.open(url);
    });
}

void WebPane::open(const QUrl &address)
{
    if (m_blankComing)
        m_afterBlank = address;
    else
        setUrl(address);
}

bool WebPane::isBlank() const
{
    return url().isEmpty() || url() == blankPage();
}

void WebPane::readBody(std::function<void(const QString &)> done)
{
    // In a world of its own, so the page's scripts cannot change what it reads.
    QPointer<WebPane> self(this);
    page()->runJavaScript(QStringLiteral("document.body ? document.body.innerHTML : ''"),
                          QWebEngineScript::ApplicationWorld, [self, done](const QVariant &result) {
                              if (!self)
                                  return;
                              const QString html = result.toString();
                              QMetaObject::invokeMethod(
                                  self, [self, done, html] { done(html); }, Qt::QueuedConnection);
                          });
}

} // namespace korvel::app
