#include "app/FrmMain.h"
#include "platform/Connectivity.h"
#include "platform/QtServices.h"
#include "platform/Settings.h"
#include "platform/SiteConfig.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));

    using namespace korvel;
    platform::IniSettingsStore settings;
    platform::QtMessageService messages;
    platform::QtDialogService dialogs;
    platform::DesktopShell shell;

    app::Services services;
    services.appDir = QCoreApplication::applicationDirPath();
    services.settings = &settings;
    services.messages = &messages;
    services.dialogs = &dialogs;
    services.shell = &shell;
    services.isConnected = platform::IsConnected;
    services.siteRoot = platform::siteRoot(&settings);
    services.programPath = QCoreApplication::applicationFilePath();
    services.arguments = QCoreApplication::arguments();

    app::FrmMain frmMain(services);
    messages.setOwner(&frmMain);
    dialogs.setOwner(&frmMain);
    frmMain.Form_Load();
    frmMain.show();
    return app.exec();
}
