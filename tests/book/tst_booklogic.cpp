// The recent list, the command line and the stored window values: the rules
// that decide what the next start remembers.
#include "app/AppInfo.h"
#include "app/StoredLayout.h"
#include "book/PageMemory.h"
#include "book/ReadingSession.h"
#include "book/RecentList.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvel;

class BookLogicTest : public QObject {
    Q_OBJECT

private slots:
    void promote_data();
    void promote();
    void captionsShowBothEnds();
    void commandLine_data();
    void commandLine();
    void storedLayoutDefaultsAndJunk();
    void closingStates_data();
    void closingStates();
    void booksReopenWhereTheyWereLeft();
};

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

void BookLogicTest::promote_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("after");
    QTest::newRow("fresh store") << "" << "x" << "x----";
    QTest::newRow("already first") << "abcde" << "a" << "abcde";
    QTest::newRow("fourth moves up") << "abcde" << "d" << "dabce";
    QTest::newRow("fifth moves up") << "abcde" << "e" << "eabcd";
    QTest::newRow("new drops the fifth") << "abcde" << "n" << "nabcd";
    QTest::newRow("case differs: a new entry") << "abcde" << "C" << "Cabcd";
}

void BookLogicTest::promote()
{
    QFETCH(QString, before);
    QFETCH(QString, path);
    QFETCH(QString, after);
    test::TestEnv env;
    seed(env.settings(), recent(before));
    QCOMPARE(book::promoteRecent(env.settings(), recent(path).first()), recent(after));
    // What the next start reads.
    QCOMPARE(book::readRecentTags(*env.reopenSettings()), recent(after));
}

void BookLogicTest::captionsShowBothEnds()
{
    QCOMPARE(book::recentCaption(QStringLiteral("/home/reader/books/西游记 第一册.lhh")),
             QStringLiteral("/home/reader ... /西游记 第一册.lhh"));
    // A short path shows twice.
    QCOMPARE(book::recentCaption(QStringLiteral("/a.lhh")), QStringLiteral("/a.lhh ... /a.lhh"));
}

void BookLogicTest::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << QStringList{"korvel"} << QString();
    QTest::newRow("plain") << QStringList{"korvel", "/b/x.lhh"} << "/b/x.lhh";
    QTest::newRow("blanks split by the shell") << QStringList{"korvel", "/my", "books/x.lhh"} << "/my books/x.lhh";
    QTest::newRow("quotes removed") << QStringList{"korvel", "\"/my books/x.lhh\""} << "/my books/x.lhh";
    QTest::newRow("quote inside, no such file") << QStringList{"korvel", "/a\"b.lhh"} << "/ab.lhh";
    // Files that exist: "@" stands for the test's folder.
    QTest::newRow("a file named with quotes") << QStringList{"korvel", "@/他说\"好\"", "的书.lhh"} << "@/他说\"好\" 的书.lhh";
    QTest::newRow("quoted, the file exists unquoted") << QStringList{"korvel", "\"@/plain book.lhh\""} << "@/plain book.lhh";
}

void BookLogicTest::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, path);
    QTemporaryDir dir;
    for (QString &a : args)
        a.replace(QLatin1Char('@'), dir.path());
    path.replace(QLatin1Char('@'), dir.path());
    for (const QString &name : {QStringLiteral("/他说\"好\" 的书.lhh"), QStringLiteral("/plain book.lhh")}) {
        QFile f(dir.path() + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(app::GetCommandPath(args), path);
}

void BookLogicTest::storedLayoutDefaultsAndJunk()
{
    test::TestEnv env;
    // Values that are not numbers fall back to the defaults; WindowState 1 is never used.
    env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Width"), QStringLiteral("wide"));
    env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Splitter"), QStringLiteral("1e999"));
    env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("WindowState"), QStringLiteral("1"));
    env.settings().setValue(QStringLiteral("ListView"), QStringLiteral("Width3"), QStringLiteral(" 950 "));
    const app::StoredLayout junk = app::readStoredLayout(env.settings());
    test::TestEnv fresh;
    const app::StoredLayout defaults = app::readStoredLayout(fresh.settings());
    QCOMPARE((QList<float>{junk.width, junk.splitter}), (QList<float>{defaults.width, defaults.splitter}));
    QCOMPARE(junk.windowState, 0);
    QCOMPARE(junk.columnWidths[2], 950.0f);
}

void BookLogicTest::closingStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("windowState");
    QTest::newRow("normal writes geometry") << 0 << "9000" << "0";
    QTest::newRow("maximised keeps geometry") << 2 << "12000" << "2";
    QTest::newRow("minimised writes none") << 1 << "12000" << "0";
}

void BookLogicTest::closingStates()
{
    QFETCH(int, state);
    QFETCH(QString, width);
    QFETCH(QString, windowState);
    test::TestEnv env;
    env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("Width"), QStringLiteral("12000"));
    env.settings().setValue(QStringLiteral("frmMain"), QStringLiteral("WindowState"), QStringLiteral("0"));
    app::ClosingLayout l;
    l.windowState = state;
    l.width = 9000;
    l.height = 6000.5f;
    l.splitter = 3000;
    l.treeView = 2;
    app::writeStoredLayout(env.settings(), l);
    auto store = env.reopenSettings();
    QCOMPARE(store->value(QStringLiteral("frmMain"), QStringLiteral("Width"), {}), width);
    QCOMPARE(store->value(QStringLiteral("frmMain"), QStringLiteral("WindowState"), {}), windowState);
    QCOMPARE(store->value(QStringLiteral("frmMain"), QStringLiteral("Splitter"), {}), QStringLiteral("3000"));
    QCOMPARE(store->value(QStringLiteral("frmMain"), QStringLiteral("TreeView"), {}), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(BookLogicTest)
void BookLogicTest::booksReopenWhereTheyWereLeft()
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
    QFile f(memory);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QJsonDocument(full).toJson());
    f.close();
    m.remember(b, 1);
    QCOMPARE(m.recall(b, 3), 1);
    const QJsonArray kept = QJsonDocument::fromJson(test::fileBytes(memory)).array();
    QCOMPARE(kept.size(), book::PageMemory::kLimit);
    QCOMPARE(kept.last().toObject().value("path").toString(), QStringLiteral("/gone/998.lhh"));

    // A damaged memory reads as empty and is replaced by the next note.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("{\"not\": [");
    f.close();
    QCOMPARE(m.recall(b, 3), 0);
    m.remember(b, 2);
    QCOMPARE(m.recall(b, 3), 2);
}

#include "tst_booklogic.moc"
