// korvel-shots OUTDIR PAGESDIR: pictures of Korvel's window for the README,
// taken from an X server (scripts/screenshots.sh runs it on Xvfb). The
// window is built as the program builds it, over the build's application
// folder; the message and file dialogs are answered here, so nothing waits
// for a person. Four pictures: the reading pane with a demo page, the
// library list, the web pane with the stand-in site and the book maker
// holding the pictures of PAGESDIR. Each is kept under 200 KB.
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/maker/BookMakerWindow.h"
#include "app/StartUp.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "platform/AppFolders.h"
#include "platform/Connectivity.h"
#include "platform/Drawing.h"
#include "platform/QtServices.h"
#include "platform/Settings.h"
#include "platform/SiteConfig.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

using namespace korvel;

namespace {

class LoggedMessages final : public platform::MessageService {
public:
    Answer information(const QString &title, const QString &text, Buttons) override
    {
        std::fprintf(stderr, "korvel-shots: message %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
};

// Answers the maker's picture dialog with every picture of one folder.
class PagesDialog final : public platform::DialogService {
public:
    explicit PagesDialog(QString folder)
        : m_folder(std::move(folder))
    {
    }
    bool showOpen(platform::FileDialogRequest &) override { return false; }
    bool showOpenMulti(platform::FileDialogRequest &r) override
    {
        QStringList names = QDir(m_folder).entryList(QDir::Files);
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return QFileInfo(a).completeBaseName().toInt() < QFileInfo(b).completeBaseName().toInt();
        });
        if (names.isEmpty())
            return false;
        r.fileName = m_folder + QChar(0) + names.join(QChar(0)) + QChar(0) + QChar(0);
        r.fileNames = {r.fileName};
        return true;
    }
    bool showSave(platform::FileDialogRequest &) override { return false; }
    bool chooseFolder(const QString &, QString &) override { return false; }

private:
    QString m_folder;
};

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QTest::qWait(50);
}

// Grabs the window's area from the X server and writes it as PNG, in fewer
// colours or smaller when it would pass maxBytes.
bool grab(QWidget *window, const QString &path, qint64 maxBytes = 200 * 1024)
{
    window->raise();
    settle(600);
    const QRect area = window->frameGeometry();
    QImage image = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    for (int attempt = 0; attempt < 12; ++attempt) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const QImage shown = attempt == 0 ? image : image.convertToFormat(QImage::Format_Indexed8);
        shown.save(&buffer, "PNG", 9);
        if (bytes.size() <= maxBytes) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                return false;
            std::printf("%s %dx%d %lld bytes\n", qPrintable(path), shown.width(), shown.height(),
                        static_cast<long long>(bytes.size()));
            return true;
        }
        if (attempt > 0)
            image = image.scaledToWidth(image.width() * 9 / 10, Qt::SmoothTransformation);
    }
    return false;
}

void click(QWidget *window, const QString &name)
{
    auto *w = window->findChild<QWidget *>(name);
    if (w)
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

// Shows the web pane and waits for its page (at most ms), then for its drawing.
void showWebPane(QWidget *window, int ms)
{
    bool loaded = false;
    for (QWebEngineView *view : window->findChildren<QWebEngineView *>())
        QObject::connect(view, &QWebEngineView::loadFinished, window, [&loaded, view] { loaded = loaded || view->isVisible(); });
    click(window, QStringLiteral("tzbBottom_2"));
    QElapsedTimer t;
    t.start();
    while (!loaded && t.elapsed() < ms)
        QTest::qWait(100);
    settle(2500);
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawn as the program draws.
    korvel::platform::drawWithoutOpenGL();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: korvel-shots APPDIR OUTDIR PAGESDIR\n");
        return 2;
    }
    const QString out = args.at(1);
    QDir().mkpath(out);

    platform::IniSettingsStore settings;
    LoggedMessages messages;
    PagesDialog dialogs(args.at(2));
    platform::DesktopShell shell;
    const platform::AppFolders folders = platform::locateAppFolders(args.at(0));
    book::ReadingSession session(folders.cacheDir);
    book::RecentList recent(settings);
    app::AppContext context;
    context.useFolders(folders);
    context.settings = &settings;
    context.messages = &messages;
    context.dialogs = &dialogs;
    context.shell = &shell;
    context.isConnected = [] { return false; };
    context.siteRoot = platform::siteRoot(&settings);
    context.session = &session;
    context.recent = &recent;

    const QString book = folders.dataDir + QStringLiteral("/books/西游记 第一册.lhh");
    const std::unique_ptr<app::MainWindow> window =
        app::startProgram(context, {QStringLiteral("korvel"), book}, {});
    window->setGeometry(0, 0, 1100, 760);
    settle(1500);

    bool ok = true;
    // The reading pane on a page with pictures and text.
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(window.get(), Qt::Key_Right);
    settle(800);
    ok = grab(window.get(), out + QStringLiteral("/reading.png")) && ok;

    // The library: the category holding 西游记's books.
    click(window.get(), QStringLiteral("tzbBottom_1"));
    settle(500);
    if (auto *tree = window->findChild<QTreeWidget *>(QStringLiteral("tvTreeView"))) {
        const auto found = tree->findItems(QStringLiteral("西游记"), Qt::MatchExactly | Qt::MatchRecursive);
        if (!found.isEmpty()) {
            tree->scrollToItem(found.first());
            const QRect r = tree->visualItemRect(found.first());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
        }
    }
    settle(800);
    ok = grab(window.get(), out + QStringLiteral("/library.png")) && ok;

    // The web pane with the stand-in site's home page.
    showWebPane(window.get(), 15000);
    ok = grab(window.get(), out + QStringLiteral("/web.png")) && ok;

    // The book maker with the pages of a demo book.
    window->findChild<QAction *>(QStringLiteral("mnuNew"))->trigger();
    app::BookMakerWindow *maker = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<app::BookMakerWindow *>(w); m && m->isVisible())
            maker = m;
    if (maker) {
        maker->move(40, 30);
        maker->findChild<QAction *>(QStringLiteral("ToolbarButton5"))->trigger();
        if (auto *title = maker->findChild<QLineEdit *>(QStringLiteral("Text2")))
            title->setText(QStringLiteral("西游记 第一册"));
        settle(3000);
        // A page picked in the list shows in the preview.
        if (auto *list = maker->findChild<QTableView *>(QStringLiteral("VSFlexGrid1"))) {
            const QRect r = list->visualRect(list->model()->index(2, 1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
            settle(1000);
        }
        ok = grab(maker, out + QStringLiteral("/maker.png")) && ok;
        maker->close();
    } else {
        ok = false;
    }
    return ok ? 0 : 1;
}
