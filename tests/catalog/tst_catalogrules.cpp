// The catalog's rules that need no catalog: node keys, the folder a name
// gives, the existence tests, reading a chosen book for its record, and
// saving a copy of a catalogued book.
#include "catalog/Rules.h"
#include "db/Connection.h"
#include "platform/FileLock.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace korvel;
using namespace korvel::catalog;
using namespace korvel::test;

class CatalogRulesTest : public QObject {
    Q_OBJECT

private slots:
    void keys();
    void folders_data();
    void folders();
    void folderCreation();
    void existenceMethods();
    void readingAChosenBook_data();
    void readingAChosenBook();
    void copyNames_data();
    void copyNames();
    void savingACopy();

private:
    TestEnv env;
};

void CatalogRulesTest::keys()
{
    // A key gives back its id, also when the name holds dashes and digits.
    for (const QString &name : {QStringLiteral("a-b"), QStringLiteral("卷-3"), QString()})
        QCOMPARE(classIdFromKey(nodeKey(name, 40)), 40);
    // A fixed node's key holds no id.
    QCOMPARE(classIdFromKey(QStringLiteral("搜索结果")), 0);
    QCOMPARE(classIdFromKey(QStringLiteral("a-")), 0);
}

void CatalogRulesTest::folders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("separators stay inside") << "a/../b\\c" << "/app/books/a_.._b_c";
    QTest::newRow("dot dot") << ".." << "/app/books/__";
    QTest::newRow("quote and percent") << "it's 100%" << "/app/books/it's 100%";
    QTest::newRow("empty") << "" << "/app/books/";
}

void CatalogRulesTest::folders()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QCOMPARE(categoryFolder(QStringLiteral("/app"), name), folder);
    // The chooser's answer loses its trailing separator; the root keeps it.
    QCOMPARE(withoutTrailingSeparator(folder), folder.endsWith('/') ? folder.chopped(1) : folder);
    QCOMPARE(withoutTrailingSeparator(QStringLiteral("/")), QStringLiteral("/"));
}

void CatalogRulesTest::folderCreation()
{
    const QString deep = env.path("books/甲/乙 丙");
    QVERIFY(makeCategoryFolder(deep));
    QVERIFY(QFileInfo(deep).isDir());
    QVERIFY(makeCategoryFolder(deep)); // already there
    QVERIFY(!makeCategoryFolder(QStringLiteral("relative/folder")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("relative")));
    QVERIFY(!makeCategoryFolder(QString()));
    const QString file = env.path("a file");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!makeCategoryFolder(file));
    QVERIFY(!makeCategoryFolder(file + "/below"));
}

void CatalogRulesTest::existenceMethods()
{
    const QString file = env.path("book.lhh");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString folder = env.path("folder.lhh");
    QVERIFY(QDir().mkpath(folder));
    struct Case {
        QString path;
        bool method0, method1;
    } cases[] = {
        {file, true, true},
        {folder, true, false},
        {env.path("gone.lhh"), false, false},
        {QString(), false, false},
        {file + QStringLiteral("/below"), false, false},
    };
    for (const Case &c : cases) {
        QCOMPARE(fileExists(c.path, 0), c.method0);
        QCOMPARE(fileExists(c.path, 1), c.method1);
        QCOMPARE(fileExists(c.path, 3), c.method0);
        QVERIFY(!fileExists(c.path, 5));
    }
}

void CatalogRulesTest::readingAChosenBook_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("title");
    const QString books = QStringLiteral("CREATE TABLE books (booknumber, title, drawer, publisher, publishdate, sign)");
    const QString pages = QStringLiteral("CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)");
    QTest::newRow("a full row") << QStringList{books, pages, "Insert Into books Values (1,'鸡毛信','刘继','社','1978','我')"}
                                << int(BookFileRead::Outcome::Read) << "鸡毛信";
    QTest::newRow("no books table") << QStringList{pages} << int(BookFileRead::Outcome::ReadFailed) << "";
}

void CatalogRulesTest::readingAChosenBook()
{
    QFETCH(QStringList, statements);
    QFETCH(int, outcome);
    QFETCH(QString, title);
    const QString path = env.path("chosen.lhh");
    QVERIFY(!db::Connection::createFile(path, statements));
    const QByteArray before = fileHash(path);
    const BookFileRead read = readBookFile(path);
    QCOMPARE(int(read.outcome), outcome);
    QCOMPARE(read.meta.title, title);
    if (QByteArray(QTest::currentDataTag()) == "a full row")
        QCOMPARE((QStringList{read.meta.drawer, read.meta.publisher, read.meta.publishdate, read.meta.sign}),
                 (QStringList{"刘继", "社", "1978", "我"}));
    QCOMPARE(fileHash(path), before);
    QCOMPARE(QDir(env.path(QString())).entryList({"chosen.lhh*"}, QDir::Files), QStringList{"chosen.lhh"});

    // Held by the reader, damaged or missing: the open fails and the file stays.
    db::Connection reader;
    QVERIFY(!reader.open(path, db::Access::ReadOnly));
    QCOMPARE(readBookFile(path).outcome, BookFileRead::Outcome::OpenFailed);
    reader.close();
    QVERIFY(QFile::resize(path, 150));
    const QByteArray cut = fileHash(path);
    QCOMPARE(readBookFile(path).outcome, BookFileRead::Outcome::OpenFailed);
    QCOMPARE(fileHash(path), cut);
    QCOMPARE(readBookFile(env.path("missing.lhh")).outcome, BookFileRead::Outcome::OpenFailed);
}

void CatalogRulesTest::copyNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("exe appended") << "/x/鸡毛信" << "exe" << "/x/鸡毛信.exe";
    QTest::newRow("anywhere in the name") << "/x/a.lhh.bak" << "lhh" << "/x/a.lhh.bak";
    QTest::newRow("capital letters") << "/x/a.LHH" << "lhh" << "/x/a.LHH.lhh";
    QTest::newRow("other type's extension") << "/x/a.exe" << "lhh" << "/x/a.exe.lhh";
    QTest::newRow("no type") << "/x/a" << "" << "/x/a";
}

void CatalogRulesTest::copyNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, type);
    QFETCH(QString, name);
    QCOMPARE(copyName(typed, type), name);
}

void CatalogRulesTest::savingACopy()
{
    const QString book = env.path("book.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), book, 2));
    const QString dir = env.path("copies");
    QVERIFY(QDir().mkpath(dir));
    const QString target = dir + "/副本 it's.lhh";
    auto folder = [&] { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); };

    QVERIFY(saveCopy(book, target));
    QCOMPARE(fileHash(target), fileHash(book));

    // Onto an existing file: replaced whole, nothing left beside it.
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    old.write("old bytes");
    old.close();
    QVERIFY(saveCopy(book, target));
    QCOMPARE(fileHash(target), fileHash(book));
    QCOMPARE(folder(), QStringList{"副本 it's.lhh"});

    // Copies nothing: a book open in the reader, a missing book, a folder,
    // the book onto itself, a target open in the reader.
    const QByteArray kept = fileHash(target);
    {
        db::Connection reader;
        QVERIFY(!reader.open(book, db::Access::ReadOnly));
        QVERIFY(!saveCopy(book, dir + "/held.lhh"));
    }
    QVERIFY(!saveCopy(env.path("gone.lhh"), dir + "/gone.lhh"));
    QVERIFY(!saveCopy(dir, dir + "/folder.lhh"));
    QVERIFY(!saveCopy(book, book));
    QVERIFY(makeSimpleBook(env.appDir(), book, 3));
    {
        platform::FileLock reader;
        QCOMPARE(reader.acquire(target), platform::FileLock::Result::Ok);
        QVERIFY(!saveCopy(book, target));
    }
    QCOMPARE(fileHash(target), kept);
    QCOMPARE(folder(), QStringList{"副本 it's.lhh"});
}

QTEST_GUILESS_MAIN(CatalogRulesTest)

#include "tst_catalogrules.moc"
