#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/QuietIconStyle.h"
#include "app/StartUp.h"
#include "book/PageMemory.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "catalog/Seed.h"
#include "platform/AppFolders.h"
#include "platform/CommandLine.h"
#include "platform/Connectivity.h"
#include "platform/Drawing.h"
#include "platform/NativePath.h"
#include "platform/QtServices.h"
#include "platform/QtTranslations.h"
#include "platform/Settings.h"
#include "platform/SiteConfig.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QOpenGLContext>
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

const char kUsage[] = "Usage: korvel [BOOK]\n"
                     "Korvel, the reader and library of picture-story books (.lhh). Opens\n"
                     "BOOK when one is given, else the library.\n"
                     "  --help      this text\n"
                     "  --version   the version\n";

} // namespace

int main(int argc, char *argv[])
{
    // Alone on the line they are asked of the program; anything else names a book.
    if (const auto answered = korvel::platform::answerHelpOrVersion(argc, argv, "korvel", kUsage, true))
        return *answered;
    QElapsedTimer sinceStart;
    sinceStart.start();
    korvel::platform::drawWithoutOpenGL();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setStyle(new korvel::app::QuietIconStyle);
    korvel::platform::installQtTranslations(app);

    using namespace korvel;
    platform::IniSettingsStore settings;
    platform::QtMessageService messages;
    platform::QtDialogService dialogs;
    platform::DesktopShell shell;
    // Run from the build's application folder everything is kept beside the
    // program; installed, in the user's data and cache folders.
    const platform::AppFolders folders = platform::locateAppFolders(QCoreApplication::applicationDirPath());
    QString notMade;
    if (folders.installed) {
        const catalog::SeedOutcome seeded = catalog::seedCatalog(folders.seedDir, folders.dataDir);
        if (seeded.kind == catalog::SeedOutcome::Failed) {
            notMade = seeded.message;
            std::fprintf(stderr, "korvel: %s\n", qPrintable(notMade));
        }
        QDir().mkpath(folders.cacheDir);
    }
    book::ReadingSession session(folders.cacheDir);
    session.rememberPagesIn(book::PageMemory::defaultPath());
    book::RecentList recent(settings);

    app::AppContext context;
    context.useFolders(folders);
    context.settings = &settings;
    context.messages = &messages;
    context.dialogs = &dialogs;
    context.shell = &shell;
    context.isConnected = platform::IsConnected;
    context.siteRoot = platform::siteRoot(&settings);
    // Installed, the system-wide association files serve.
    if (!folders.installed)
        context.programPath = QCoreApplication::applicationFilePath();
    context.session = &session;
    context.recent = &recent;

    FirstPageReport firstPage(sinceStart);
    const bool reportFirstPage = qgetenv("KORVEL_REPORT_FIRST_PAGE") == "1";
    app::StartUpHooks hooks;
    hooks.built = [&](app::MainWindow &window) {
        messages.setOwner(&window);
        dialogs.setOwner(&window);
        if (!notMade.isEmpty())
            messages.information(QStringLiteral("错误"), notMade, platform::MessageService::Buttons::Ok);
    };
    hooks.loaded = [&](app::MainWindow &window) {
        if (reportFirstPage && session.isOpen())
            window.findChild<QWidget *>(QStringLiteral("picViewIt"))->installEventFilter(&firstPage);
    };
    // A book's name is taken as its bytes are (a GBK name from Windows too) and shown readably.
    const std::unique_ptr<app::MainWindow> window =
        app::startProgram(context, platform::readableArguments(argc, argv), hooks);
    if (reportFirstPage && !session.isOpen())
        firstPage.report();
    // KORVEL_REPORT_WEB=1: load the web parts at once, say whether they came, and quit.
    if (qgetenv("KORVEL_REPORT_WEB") == "1") {
        QTimer::singleShot(0, &app, [&window] {
            window->loadWeb();
            // The web parts compose in software unless OpenGL was asked for.
            const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
            const bool openGL = shared && shared->isValid();
            std::printf("web-parts %s, drawn %s\n", window->hasWeb() ? "loaded" : "missing",
                        openGL ? "with OpenGL" : "in software");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    return app.exec();
}
