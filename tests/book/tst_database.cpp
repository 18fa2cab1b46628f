// Reading a book: its page list, its pages and its record, from books made
// here and elsewhere, and that reading never changes the file.
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "book/ReadingSession.h"
#include "db/Connection.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void bookWithoutPagesTableOpensButCannotListPages();
    void readingChangesNothingAndLeavesNoFiles();
    void readOnlyBookStillReads();
    void pagesWithGapsNullsAndOddPaths();
    void bookRecord_data();
    void bookRecord();

private:
    TestEnv env;
};

void DatabaseTest::bookWithoutPagesTableOpensButCannotListPages()
{
    const QString path = env.path(QStringLiteral("nopages.lhh"));
    QVERIFY(!db::Connection::createFile(path, {QStringLiteral("CREATE TABLE books (title TEXT)")}));
    book::ReadingSession session(env.appDir());
    QCOMPARE(session.open(path), book::ReadingSession::OpenResult::PagesFailed);
    QVERIFY(!session.isOpen());
    // Nothing stays held.
    db::Connection again;
    QVERIFY(!again.open(path, db::Access::ReadOnly));
}

void DatabaseTest::readingChangesNothingAndLeavesNoFiles()
{
    const QString dir = env.path(QStringLiteral("quiet"));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/book.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), path, 4));
    const QByteArray before = fileHash(path);
    const QDateTime mtime = QFileInfo(path).lastModified();
    {
        book::ReadingSession session(env.appDir());
        QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
        for (qint32 n : session.pageNumbers())
            QVERIFY(session.extractPage(n).written);
        session.close();
        db::Connection c;
        QVERIFY(!c.open(path, db::Access::ReadOnly));
        QVERIFY(c.prepare(QStringLiteral("Select title,drawer,publisher,publishdate,sign From books")).next());
    }
    QCOMPARE(fileHash(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), mtime);
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("book.lhh")});
}

void DatabaseTest::readOnlyBookStillReads()
{
    if (::geteuid() == 0)
        qInfo("running as root: permissions do not bind, the read-only open is still exercised");
    const QString dir = env.path(QStringLiteral("readonly"));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/书 ro.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), path, 3));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    book::ReadingSession session(env.appDir());
    const auto opened = session.open(path);
    const int pages = session.pageCount();
    session.close();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(opened, book::ReadingSession::OpenResult::Opened);
    QCOMPARE(pages, 3);
}

void DatabaseTest::pagesWithGapsNullsAndOddPaths()
{
    const QString path = env.path(QStringLiteral("带 \"引号\" 和 'quote' #?.lhh"));
    const QByteArray nine = pictureBytes(40, 30, "PNG");
    QVERIFY(makeBook(env.appDir(), path, {{9, nine}, {3, pictureBytes(10, 10, "BMP")}, {7, std::nullopt}}));
    {
        book::ReadingSession session(env.appDir());
        QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
        QCOMPARE(session.pageNumbers(), (QVector<qint32>{3, 7, 9}));

        const auto last = session.extractPage(9);
        QVERIFY(last.hasImage && last.written);
        QCOMPARE(fileBytes(session.readTmpPath()), nine);
        // A null image leaves read.tmp as it was.
        const auto empty = session.extractPage(7);
        QVERIFY(empty.found);
        QVERIFY(!empty.hasImage);
        QCOMPARE(fileBytes(session.readTmpPath()), nine);
        // A number that is not stored finds nothing.
        QVERIFY(!session.extractPage(8).found);
    }

    // The same through the plain page read: a null image is found and null, not empty bytes.
    db::Connection book;
    QVERIFY(!book.open(path, db::Access::ReadOnly));
    const book::PageRead nullPage = book::readPage(book, 7);
    QVERIFY(nullPage.found && nullPage.isNull && !nullPage.error);
    const book::PageRead missing = book::readPage(book, 8);
    QVERIFY(!missing.found && !missing.error);
    QCOMPARE(book::readPage(book, 9).bytes, nine);

    QCOMPARE(book::nextIndex(2, 3), 0);
    QCOMPARE(book::previousIndex(0, 3), 2);
    QCOMPARE(book::nextIndex(0, 1), 0);
    QCOMPARE(book::previousIndex(0, 1), 0);
}

void DatabaseTest::bookRecord_data()
{
    QTest::addColumn<QStringList>("schema");
    QTest::addColumn<bool>("found");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("drawer");
    const QString books = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT, summary TEXT, "
                                         "writer TEXT, sign TEXT, publisher TEXT, publishdate TEXT, drawer TEXT, "
                                         "url TEXT, coverdrawer TEXT)");
    QTest::newRow("whole record") << QStringList{books, "INSERT INTO books (title, drawer) VALUES ('雨来''s', 'O''Hara')"}
                                  << true << false << "雨来's" << "O'Hara";
    QTest::newRow("null fields") << QStringList{books, "INSERT INTO books (booknumber) VALUES (1)"} << true << false
                                 << "" << "";
    QTest::newRow("made elsewhere, fewer columns")
        << QStringList{"CREATE TABLE books (Title TEXT)", "INSERT INTO books VALUES ('x')"} << true << false << "x"
        << "";
    QTest::newRow("no row") << QStringList{books} << false << false << "" << "";
    QTest::newRow("no books table") << QStringList{"CREATE TABLE pages (pagenumber INTEGER)"} << false << true << ""
                                    << "";
}

void DatabaseTest::bookRecord()
{
    QFETCH(QStringList, schema);
    QFETCH(bool, found);
    QFETCH(bool, failed);
    QFETCH(QString, title);
    QFETCH(QString, drawer);
    const QString path = env.path(QStringLiteral("record.lhh"));
    QVERIFY(!db::Connection::createFile(path, schema));
    db::Connection book;
    QVERIFY(!book.open(path, db::Access::ReadOnly));
    db::Error error;
    const book::BookMeta meta = book::readBookMeta(book, &error);
    QCOMPARE(meta.found, found);
    QCOMPARE(bool(error), failed);
    QCOMPARE(meta.title, title);
    QCOMPARE(meta.drawer, drawer);
    QVERIFY(meta.url.isEmpty());
}

QTEST_MAIN(DatabaseTest)
#include "tst_database.moc"
