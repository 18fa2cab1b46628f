#include "app/FrmMain.h"
#include "app/PagePicture.h"
#include "platform/Connectivity.h"
#include "platform/QtServices.h"
#include "platform/Settings.h"
#include "platform/SiteConfig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

// KORVEL_REPORT_FIRST_PAGE=1: print "first-page-ms <n>", the time from the
// start of main to the first page drawn (or to the window shown, when no
// book was opened), then quit. Start-up measurements run the program so.
class FirstPageReport final : public QObject {
public:
    explicit FirstPageReport(const QElapsedTimer &clock)
        : m_clock(clock)
    {
    }

    void report()
    {
        if (m_done)
            return;
        m_done = true;
        std::printf("first-page-ms %lld\n", static_cast<long long>(m_clock.elapsed()));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_done)
            return QObject::eventFilter(watched, event);
        // Let the page draw itself first, then take the time.
        watched->event(event);
        report();
        return true;
    }

private:
    const QElapsedTimer &m_clock;
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
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

    FirstPageReport firstPage(sinceStart);
    const bool reportFirstPage = qgetenv("KORVEL_REPORT_FIRST_PAGE") == "1";
    if (reportFirstPage && frmMain.isBookOpen())
        frmMain.picViewIt->installEventFilter(&firstPage);

    frmMain.show();
    if (reportFirstPage && !frmMain.isBookOpen())
        firstPage.report();
    return app.exec();
}
