#include "app/StartUp.h"

#include "app/AppContext.h"
#include "app/AppInfo.h"
#include "app/FrmMain.h"
#include "app/FrmSplash.h"
#include "platform/Association.h"

#include <QPointer>

namespace korvel::app {

void startUp(FrmMain &window, const AppContext &context, const QStringList &arguments)
{
    window.load();
    if (!context.programPath.isEmpty())
        platform::writeFileAssociation(context.programPath, context.dataHome, context.refreshDesktopCaches);
    window.openFromCommandLine(GetCommandPath(arguments));
    window.refreshRecentMenu();
}

std::unique_ptr<FrmMain> startProgram(const AppContext &context, const QStringList &arguments,
                                      const StartUpHooks &hooks)
{
    // A click may have closed the splash by the time the window is loaded.
    QPointer<FrmSplash> splash = showSplash(context.resourceFolder());
    auto window = std::make_unique<FrmMain>(context);
    if (hooks.built)
        hooks.built(*window);
    startUp(*window, context, arguments);
    if (splash)
        splash->close();
    if (hooks.loaded)
        hooks.loaded(*window);
    window->show();
    return window;
}

} // namespace korvel::app
