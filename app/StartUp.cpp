#include "app/StartUp.h"

#include "app/AppContext.h"
#include "app/AppInfo.h"
#include "app/FrmMain.h"
#include "platform/Association.h"

namespace korvel::app {

void startUp(FrmMain &window, const AppContext &context, const QStringList &arguments)
{
    window.load();
    if (!context.programPath.isEmpty())
        platform::writeFileAssociation(context.programPath, context.dataHome, context.refreshDesktopCaches);
    window.openFromCommandLine(GetCommandPath(arguments));
    window.refreshRecentMenu();
}

} // namespace korvel::app
