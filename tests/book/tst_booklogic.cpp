// The recent list, the command line and the stored window values: the rules
// that decide what the next start remembers.
#include "app/AppInfo.h"
#include "app/StoredLayout.h"
#include "book/PageMemory.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvel;

static void seed(platform::SettingsStore &store, const QStringList &paths)
{
    for (int i = 0; i < paths.size(); ++i)
        store.setValue(QStringLiteral("frmMain"), QStringLiteral("Recent%1").arg(i + 1), paths.at(i));
}

// Lists as letters: "c" is /c.lhh, "-" an empty place.
static QStringList recent(const QString &letters)
{
    QStringList out;
    for (const QChar c : letters)
        out << (c == QLatin1Char('-') ? book::kNoRecent : QStringLiteral("/%1.lhh").arg(c));
    return out;
}

class BookLogicTest : public QObject {
    Q_OBJECT

private slots:
    void recentList()
    {
        // The list before, the book opened, the list after.
        const QList<std::tuple<QString, QString, QString>> cases = {
            {"", "x", "x----"},     // a fresh store
            {"abcde", "a", "abcde"}, // already first
            {"abcde", "d", "dabce"}, // the fourth moves up
            {"abcde", "e", "eabcd"}, // the fifth moves up
            {"abcde", "n", "nabcd"}, // a new one drops the fifth
            {"abcde", "C", "Cabcd"}, // case differs: a new entry
        };
        for (const auto &[before, path, after] : cases) {
            test::TestEnv env;
            seed(env.settings(), recent(before));
            QCOMPARE(book::promoteRecent(env.settings(), recent(path).first()), recent(after));
            // What the next start reads.
            QCOMPARE(book::readRecentTags(*env.reopenSettings()), recent(after));
        }
        // A caption shows both ends of the path; a short path shows twice.
        QCOMPARE(book::recentCaption(QStringLiteral("/home/reader/books/西游记 第一册.lhh")),
                 QStringLiteral("/home/reader ... /西游记 第一册.lhh"));
        QCOMPARE(book::recentCaption(QStringLiteral("/a.lhh")), QStringLiteral("/a.lhh ... /a.lhh"));
    }

    void commandLine()
    {
        QTemporaryDir dir;
        for (const QString &name : {QStringLiteral("/他说\"好\" 的书.lhh"), QStringLiteral("/plain book.lhh")})
            QVERIFY(QFile(dir.path() + name).open(QIODevice::WriteOnly));
        // The arguments and the path taken from them; "@" stands for the test's folder, where files exist.
        const QList<std::pair<QStringList, QString>> cases = {
            {{"korvel"}, QString()},
            {{"korvel", "/my", "books/x.lhh"}, "/my books/x.lhh"}, // blanks split by the shell
            {{"korvel", "\"/my books/x.lhh\""}, "/my books/x.lhh"},
            {{"korvel", "/a\"b.lhh"}, "/ab.lhh"}, // a quote inside, no such file
            {{"korvel", "@/他说\"好\"", "的书.lhh"}, "@/他说\"好\" 的书.lhh"},
            {{"korvel", "\"@/plain book.lhh\""}, "@/plain book.lhh"}, // quoted, the file exists unquoted
        };
        for (auto [args, path] : cases) {
            args.replaceInStrings("@", dir.path());
            QCOMPARE(app::GetCommandPath(args), path.replace('@', dir.path()));
        }
    }

    void storedLayout()
    {
        test::TestEnv env;
        // Values that are not numbers fall back to the defaults; WindowState 1 is never used.
        env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Width"), QStringLiteral("wide"));
        env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Splitter"), QStringLiteral("1e999"));
        env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("WindowState"), QStringLiteral("1"));
        env.settings().setValue(QStringLiteral("ListView"), QStringLiteral("Width3"), QStringLiteral(" 950 "));
        const app::StoredLayout junk = app::readStoredLayout(env.settings());
        const app::StoredLayout defaults{};
        QCOMPARE((QList<float>{junk.width, junk.splitter}), (QList<float>{defaults.width, defaults.splitter}));
        QCOMPARE(junk.windowState, 0);
        QCOMPARE(junk.columnWidths[2], 950.0f);

        // The state at closing, and the Width and WindowState stored over 12000 and 0:
        // a normal window writes its geometry, a maximised one keeps it, a minimised one writes none.
        const QList<std::tuple<int, QString, QString>> cases = {{0, "9000", "0"}, {2, "12000", "2"}, {1, "12000", "0"}};
        for (const auto &[state, width, windowState] : cases) {
            test::TestEnv closing;
            closing.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Width"), QStringLiteral("12000"));
            closing.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("WindowState"), QStringLiteral("0"));
            app::ClosingLayout l;
            l.windowState = state;
            l.width = 9000;
            l.splitter = 3000;
            l.treeView = 2;
            app::writeStoredLayout(closing.settings(), l);
            auto store = closing.reopenSettings();
            const auto stored = [&](const char *key) { return store->value("frmMain", key, {}); };
            QCOMPARE((QStringList{stored("Width"), stored("WindowState"), stored("Splitter"), stored("TreeView")}),
                     (QStringList{width, windowState, "3000", "2"}));
        }
    }

    void booksReopenWhereTheyWereLeft()
    {
        using Result = book::ReadingSession::OpenResult;
        test::TestEnv env;
        const QString memory = env.configHome() + "/Korvel/LastPages.json";
        const QString a = env.path("a.lhh"), b = env.path("b.lhh");
        QVERIFY(test::makeSimpleBook(env.appDir(), a, 5));
        QVERIFY(test::makeSimpleBook(env.appDir(), b, 3));
        const QByteArray aBytes = test::fileHash(a);
        {
            book::ReadingSession s(env.appDir());
            s.rememberPagesIn(memory);
            QCOMPARE(s.open(a), Result::Opened);
            QCOMPARE(s.position(), 0); // never read
            s.setPosition(3);
            QCOMPARE(s.open(b), Result::Opened); // leaving a notes its page
            QCOMPARE(s.position(), 0);
            s.setPosition(2);
        } // so does the session's end
        book::ReadingSession s(env.appDir());
        s.rememberPagesIn(memory);
        QCOMPARE(s.open(a), Result::Opened);
        QCOMPARE(s.position(), 3);
        QCOMPARE(s.open(b), Result::Opened);
        QCOMPARE(s.position(), 2);
        s.setPosition(0);
        s.close();
        QCOMPARE(test::fileHash(a), aBytes); // the book itself is never written

        book::PageMemory m(memory);
        QCOMPARE(m.recall(b, 3), 0);
        QCOMPARE(m.recall(a, 5), 3);
        QCOMPARE(m.recall(a, 3), 0); // the page is gone
        // Another book put in its place starts afresh, also at the same size.
        QVERIFY(test::makeSimpleBook(env.appDir(), env.path("c.lhh"), 5, 200, 100));
        QCOMPARE(QFileInfo(env.path("c.lhh")).size(), QFileInfo(a).size());
        QVERIFY(QFile::remove(a) && QFile::rename(env.path("c.lhh"), a));
        QCOMPARE(m.recall(a, 5), 0);

        // At most the last 1,000 books; the oldest fall out.
        QJsonArray full;
        for (int i = 0; i < book::PageMemory::kLimit; ++i)
            full.append(QJsonObject{{"path", QStringLiteral("/gone/%1.lhh").arg(i)}, {"size", 1}, {"hash", "x"}, {"page", 1}});
        QVERIFY(test::putFile(memory, QJsonDocument(full).toJson()));
        m.remember(b, 1);
        QCOMPARE(m.recall(b, 3), 1);
        const QJsonArray kept = QJsonDocument::fromJson(test::fileBytes(memory)).array();
        QCOMPARE(kept.size(), book::PageMemory::kLimit);
        QCOMPARE(kept.last().toObject().value("path").toString(), QStringLiteral("/gone/998.lhh"));

        // A damaged memory reads as empty and is replaced by the next note.
        QVERIFY(test::putFile(memory, "{\"not\": ["));
        QCOMPARE(m.recall(b, 3), 0);
        m.remember(b, 2);
        QCOMPARE(m.recall(b, 3), 2);
    }
};

QTEST_GUILESS_MAIN(BookLogicTest)
#include "tst_booklogic.moc"
