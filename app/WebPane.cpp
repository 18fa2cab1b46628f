#include "app/WebPane.h"

namespace korvel::app {

WebPane::WebPane(QWidget *parent)
    : QWebEngineView(parent)
{
    setObjectName(QStringLiteral("wbbMain"));
    connect(this, &QWebEngineView::loadStarted, this, [this] { m_busy = true; });
    connect(this, &QWebEngineView::loadFinished, this, [this] { m_busy = false; });
}

bool WebPane::isBlank() const
{
    return url().isEmpty() || url() == QUrl(QStringLiteral("about:blank"));
}

} // namespace korvel::app
