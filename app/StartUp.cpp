#include "app/StartUp.h"

#include "app/AppContext.h"
#include "app/AppInfo.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "platform/Association.h"

#include "platform/Services.h"

#include <QPointer>

namespace korvel::app {

namespace {

// The window's messages while the splash may be up. A message takes the
// splash away first: it is never hidden under the splash, and the splash does
// not wait, unanswerable, for the message's answer.
class SplashClosingMessages final : public QObject, public platform::MessageService {
public:
    SplashClosingMessages(platform::MessageService &messages, SplashWindow *splash)
        : m_messages(messages)
        , m_splash(splash)
    {
    }
    Answer information(const QString &title, const QString &text, Buttons buttons) override
    {
        if (m_splash)
            m_splash->close();
        return m_messages.information(title, text, buttons);
    }

private:
    platform::MessageService &m_messages;
    QPointer<SplashWindow> m_splash;
};

} // namespace

void startUp(MainWindow &window, const AppContext &context, const QStringList &arguments, bool webLater)
{
    window.load();
    if (!context.programPath.isEmpty())
        platform::writeFileAssociation(context.programPath, context.dataHome, context.refreshDesktopCaches);
    window.openFromCommandLine(GetCommandPath(arguments));
    window.refreshRecentMenu();
    if (webLater)
        window.loadWebAfterFirstPaint();
    else
        window.loadWeb();
}

std::unique_ptr<MainWindow> startProgram(const AppContext &context, const QStringList &arguments,
                                         const StartUpHooks &hooks)
{
    // A click may have closed the splash by the time the window is loaded.
    QPointer<SplashWindow> splash = showSplash(context.resourceFolder());
    AppContext withSplash = context;
    auto *messages = splash && context.messages ? new SplashClosingMessages(*context.messages, splash) : nullptr;
    if (messages)
        withSplash.messages = messages;
    auto window = std::make_unique<MainWindow>(withSplash);
    // Made before the window, it is the window's last child, so every pane
    // that may still tell something goes before it.
    if (messages)
        messages->setParent(window.get());
    if (hooks.built)
        hooks.built(*window);
    startUp(*window, withSplash, arguments, true);
    if (splash)
        splash->close();
    if (hooks.loaded)
        hooks.loaded(*window);
    window->show();
    return window;
}

} // namespace korvel::app
