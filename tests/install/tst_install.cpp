// The installed program: `cmake --install` into a temporary prefix, then the
// installed korvel started with fresh XDG folders. The catalog and the books
// go to the user's data folder, read.tmp to the cache folder, and nothing
// under the prefix ever changes.
#include "tests/app/Harness.h"

#include "app/maker/BookMakerWindow.h"
#include "catalog/CatalogStore.h"
#include "catalog/Seed.h"
#include "platform/AppFolders.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>

using namespace korvel;
using namespace korvel::test;

namespace {

const QStringList kDemoBooks{QStringLiteral("小英雄雨来.lhh"), QStringLiteral("西游记 第一册.lhh")};

// Every file and folder under root with its size and time.
QStringList snapshot(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        out << QStringLiteral("%1 %2 %3").arg(f.filePath()).arg(f.size()).arg(f.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

// One user's fresh XDG folders.
struct User {
    QString data, cache, config;
    QString korvelData() const { return data + QStringLiteral("/Korvel"); }
    QString korvelCache() const { return cache + QStringLiteral("/Korvel"); }
};

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_prefix;
    QStringList m_installed; // the prefix as installed

    QString installed(const QString &name) const { return m_prefix + QLatin1Char('/') + name; }
    User user(const QString &name) const
    {
        const QString home = m_root.path() + QLatin1Char('/') + name;
        return User{home + QStringLiteral("/data"), home + QStringLiteral("/cache"), home + QStringLiteral("/config")};
    }
    // Starts the installed korvel for the user; it quits once its first page
    // (or, with no book, its window) is drawn, or with KORVEL_REPORT_WEB once
    // it has tried to load the web parts.
    QProcess *start(const User &u, const QStringList &args, const QString &report = "KORVEL_REPORT_FIRST_PAGE",
                    const QString &display = {})
    {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!display.isEmpty()) {
            env.insert(QStringLiteral("DISPLAY"), display);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        }
        env.insert(QStringLiteral("XDG_DATA_HOME"), u.data);
        env.insert(QStringLiteral("XDG_CACHE_HOME"), u.cache);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), u.config);
        env.insert(report, QStringLiteral("1"));
        p->setProcessEnvironment(env);
        p->start(installed(QStringLiteral("bin/korvel")), args);
        return p;
    }
    QByteArray run(const User &u, const QStringList &args = {})
    {
        QProcess *p = start(u, args);
        if (!p->waitForFinished(120000))
            p->kill();
        p->waitForFinished();
        const QByteArray out = p->readAllStandardOutput();
        if (p->exitCode() != 0 || !out.contains("first-page-ms"))
            qWarning("korvel: exit %d\n%s", p->exitCode(), p->readAllStandardError().constData());
        delete p;
        return out;
    }

private slots:
    void initTestCase()
    {
        m_prefix = m_root.path() + QStringLiteral("/prefix");
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(KORVEL_CMAKE),
                      {QStringLiteral("--install"), QStringLiteral(KORVEL_BUILD_DIR), QStringLiteral("--prefix"), m_prefix});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
        m_installed = snapshot(m_prefix);
    }

    // Nothing any start wrote is under the prefix.
    void cleanupTestCase() { QCOMPARE(snapshot(m_prefix), m_installed); }

    // The desktop's checks of its files, where installed, and the installed book
    // tool finds its empty book in the share folder.
    void installedFiles()
    {
        const QString desktop = installed(QStringLiteral("share/applications/korvel.desktop"));
        const QString metainfo = installed(QStringLiteral("share/metainfo/com.dalvane.korvel.metainfo.xml"));
        QVERIFY(QFileInfo(desktop).isFile() && QFileInfo(metainfo).isFile());
        for (const auto &[tool, args] : QList<QPair<QString, QStringList>>{
                 {QStringLiteral("desktop-file-validate"), {desktop}},
                 {QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}}}) {
            const QString program = QStandardPaths::findExecutable(tool);
            if (program.isEmpty()) {
                qInfo("%s is not installed: not checked", qPrintable(tool));
                continue;
            }
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(program, args);
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitCode() == 0, qPrintable(tool + QLatin1Char(' ') + QString::fromUtf8(p.readAll())));
        }
        const QString picture = m_root.path() + QStringLiteral("/page.png");
        writeFile(picture, pictureBytes(40, 60, "PNG"));
        QProcess tool;
        tool.start(installed(QStringLiteral("bin/korvel-lhh")),
                   {QStringLiteral("make"), QStringLiteral("-o"), m_root.path() + QStringLiteral("/tool.lhh"), picture});
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    }

    // The program starts without the web engine and loads it from its library folder.
    void webPartsLoadLate()
    {
        QProcess objdump;
        objdump.start(QStringLiteral("objdump"), {QStringLiteral("-p"), installed(QStringLiteral("bin/korvel"))});
        QVERIFY(objdump.waitForFinished());
        const QByteArray needed = objdump.readAllStandardOutput();
        QVERIFY(needed.contains("NEEDED") && !needed.contains("WebEngine"));

        QProcess *p = start(user(QStringLiteral("web")), {}, QStringLiteral("KORVEL_REPORT_WEB"));
        QVERIFY(p->waitForFinished(120000));
        QVERIFY2(p->readAllStandardOutput().contains("web-parts loaded"), p->readAllStandardError().constData());
        delete p;

        // On an X server (a virtual one of the test's own) the program brings
        // up no OpenGL driver: the web parts draw in software, and the
        // program ends cleanly with them.
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            qInfo("Xvfb is not installed: drawing on an X server is not checked");
            return;
        }
        QProcess server;
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(server.waitForReadyRead(30000));
        const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine().trimmed());
        p = start(user(QStringLiteral("xweb")), {}, QStringLiteral("KORVEL_REPORT_WEB"), display);
        QVERIFY(p->waitForFinished(120000));
        const QByteArray said = p->readAllStandardOutput();
        QVERIFY2(said.contains("web-parts loaded, drawn in software") && p->exitStatus() == QProcess::NormalExit
                     && p->exitCode() == 0,
                 (said + p->readAllStandardError()).constData());
        delete p;
        server.terminate();
        server.waitForFinished();
    }

    void firstStartSeedsTheDataFolder()
    {
        const User u = user(QStringLiteral("first"));
        const QString book = u.korvelData() + QStringLiteral("/books/小英雄雨来.lhh");
        QVERIFY(run(u, {book}).contains("first-page-ms"));

        // The catalog and the demo books in the data folder, filed where they are now.
        const QString catalog = u.korvelData() + QStringLiteral("/Korvel.mdb");
        QVERIFY(QFileInfo(catalog).isFile());
        for (const QString &name : kDemoBooks)
            QCOMPARE(fileBytes(u.korvelData() + QStringLiteral("/books/") + name),
                     fileBytes(installed(QStringLiteral("share/korvel/seed/books/")) + name));
        catalog::CatalogStore store(catalog);
        QStringList paths;
        for (const catalog::BookRecord &r : store.searchTitles(QString()).records)
            paths << r.path;
        for (const catalog::CategoryNode &n : store.readTree().nodes)
            paths << store.readDefaultPath(n.id).folder;
        QVERIFY(paths.contains(book));
        for (const QString &path : paths)
            QVERIFY2(path.isEmpty() || path.startsWith(u.korvelData() + QStringLiteral("/books/")), qPrintable(path));
        // The page read went to the cache folder; no association is written per user.
        QVERIFY(QFileInfo(u.korvelCache() + QStringLiteral("/read.tmp")).size() > 0);
        QVERIFY(!QFileInfo::exists(u.data + QStringLiteral("/applications/korvel.desktop")));
        QVERIFY(!QFileInfo::exists(u.data + QStringLiteral("/mime")));

        // A second start copies nothing again and keeps the user's changes.
        QCOMPARE(store.addCategory(1, QStringLiteral("我的书"), QString()).outcome, catalog::Outcome::Done);
        QVERIFY(QFile::remove(u.korvelData() + QStringLiteral("/books/") + kDemoBooks.at(1)));
        const QByteArray changed = fileBytes(catalog);
        QVERIFY(run(u).contains("first-page-ms"));
        QCOMPARE(fileBytes(catalog), changed);
        QVERIFY(!QFileInfo::exists(u.korvelData() + QStringLiteral("/books/") + kDemoBooks.at(1)));
    }

    void unwritableDataFolderIsNamed()
    {
        // A data folder that cannot be made, for root too: one under a plain file.
        const User u = user(QStringLiteral("blocked"));
        QVERIFY(QDir().mkpath(QFileInfo(u.data).absolutePath()));
        writeFile(u.data, {});
        User blocked = u;
        blocked.data = u.data + QStringLiteral("/below");

        const catalog::SeedOutcome seeded =
            catalog::seedCatalog(installed(QStringLiteral("share/korvel/seed")), blocked.korvelData());
        QCOMPARE(seeded.kind, catalog::SeedOutcome::Failed);
        QVERIFY2(seeded.message.contains(blocked.korvelData()), qPrintable(seeded.message));

        // The program says so, on standard error and in a message box (which
        // waits for a person: the test ends it once the text is out).
        QProcess *p = start(blocked, {});
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p->readAllStandardError()).contains(seeded.message.toUtf8()), 60000);
        p->kill();
        p->waitForFinished();
        QVERIFY(QFileInfo(u.data).isFile()); // left as it was
    }

    // The window of an installed program, with the desktop faked: the book
    // maker reads its empty book from the share folder and proposes the data
    // folder's books/ for a new book.
    void installedWindowReadsAndMakes()
    {
        const User u = user(QStringLiteral("window"));
        qputenv("XDG_DATA_HOME", u.data.toUtf8());
        qputenv("XDG_CACHE_HOME", u.cache.toUtf8());
        const platform::AppFolders folders = platform::locateAppFolders(installed(QStringLiteral("bin")));
        QCOMPARE(catalog::seedCatalog(folders.seedDir, folders.dataDir).kind, catalog::SeedOutcome::Seeded);

        // (That a book opens from the data folder the installed program's
        // first start shows.)
        Harness h;
        app::AppContext c = h.freshContext();
        c.useFolders(folders);
        c.programPath.clear();
        h.window = std::make_unique<app::MainWindow>(c);
        app::startUp(*h.window, c, {QStringLiteral("korvel")});
        h.window->show();

        h.action(QStringLiteral("mnuNew"))->trigger();
        auto *maker = windows<app::BookMakerWindow>().value(0);
        QVERIFY(maker);
        const QString pictures = h.env.path(QStringLiteral("pics"));
        QVERIFY(QDir().mkpath(pictures));
        writeFile(pictures + QStringLiteral("/1.png"), pictureBytes(60, 90, "PNG"));
        h.dialogs.names << pictures + QChar(0) + QStringLiteral("1.png") + QChar(0) + QChar(0);
        maker->findChild<QAction *>(QStringLiteral("ToolbarButton5"))->trigger();
        maker->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("新书"));
        const QString target = folders.dataDir + QStringLiteral("/books/新书.lhh");
        h.dialogs.names << target;
        maker->findChild<QAction *>(QStringLiteral("ToolbarButton3"))->trigger();
        QCOMPARE(h.dialogs.requests.last().initialDir, folders.dataDir + QStringLiteral("/books/"));
        QCOMPARE(h.messages.shown.last().text, QStringLiteral("连环画制作完成。"));
        QVERIFY(QFileInfo(target).size() > 0);
        maker->close();
        h.window.reset();
    }
};

KORVEL_WINDOW_TEST_MAIN(InstallTest)
#include "tst_install.moc"
