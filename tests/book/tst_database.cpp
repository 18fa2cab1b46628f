// Reading a book: its page list, its pages and its record, from books made
// here and elsewhere, and that reading never changes the file.
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "book/ReadingSession.h"
#include "platform/ScratchFile.h"
#include "db/Connection.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>


using namespace korvel;
using namespace korvel::test;

namespace {

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void bookWithoutPagesTableOpensButCannotListPages();
    void readingChangesNothingAndLeavesNoFiles();
    void pagesWithGapsNullsAndOddPaths();
    void bookRecord_data();
    void bookRecord();
    // read.tmp written ahead of its turn and swapped into place whole.
    void scratchFiles_data();
    void scratchFiles();
    void stagedPageIsSwappedIn();
    void stagedBytesThatDifferAreNotUsed();

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
    // A read-only book in a read-only folder reads whole; not a byte of it
    // changes and nothing is left beside it.
    const QString dir = env.path(QStringLiteral("readonly"));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/书 ro.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), path, 4));
    const QByteArray before = fileHash(path);
    const QDateTime mtime = QFileInfo(path).lastModified();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
    const auto writable = qScopeGuard([&] { QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
    {
        book::ReadingSession session(env.appDir());
        QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
        QCOMPARE(session.pageCount(), 4);
        for (qint32 n : session.pageNumbers())
            QVERIFY(session.extractPage(n).written);
        session.close();
        db::Connection c;
        QVERIFY(!c.open(path, db::Access::ReadOnly));
        QVERIFY(c.prepare(QStringLiteral("Select title,drawer,publisher,publishdate,sign From books")).next());
    }
    QCOMPARE(fileHash(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), mtime);
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("书 ro.lhh")});
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

void DatabaseTest::scratchFiles_data()
{
    QTest::addColumn<QString>("there");
    QTest::addColumn<bool>("written");
    QTest::newRow("nothing there") << "" << true;
    QTest::newRow("a file there") << "file" << true;
    QTest::newRow("a folder there") << "folder" << false;
    QTest::newRow("no such folder") << "no folder" << false;
}

void DatabaseTest::scratchFiles()
{
    QFETCH(QString, there);
    QFETCH(bool, written);
    TestEnv env; // a folder of its own
    QString path = env.path("read.tmp");
    if (there == "file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000, 'o'));
    } else if (there == "folder") {
        QVERIFY(QDir().mkpath(path + "/inside"));
    } else if (there == "no folder") {
        path = env.path("gone/read.tmp");
    }
    const QStringList before = entries(env.path(QString()));
    QString error;
    QCOMPARE(platform::writeScratchFile(path, "new bytes", &error), written);
    if (written) {
        QCOMPARE(fileBytes(path), QByteArray("new bytes"));
        QVERIFY(!entries(env.path(QString())).join(' ').contains(".read.tmp."));
        QCOMPARE(QFile::permissions(path) & QFileDevice::ReadOther, QFileDevice::ReadOther);
    } else {
        QVERIFY(!error.isEmpty());
        QCOMPARE(entries(env.path(QString())), before);
        if (there == "folder")
            QCOMPARE(entries(path), QStringList{"inside"});
    }
}

void DatabaseTest::stagedPageIsSwappedIn()
{
    TestEnv env; // a folder of its own
    const QString path = env.path("b.lhh");
    const QByteArray p0 = pictureBytes(20, 20, "PNG", Qt::red), p1 = pictureBytes(20, 20, "PNG", Qt::blue);
    QVERIFY(makeBook(env.appDir(), path, {{0, p0}, {1, p1}}));
    // What a killed reader left is gone at the next start.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 dead = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString left = env.appDir() + QStringLiteral("/.read.tmp.%1.next").arg(dead);
    QFile(left).open(QIODevice::WriteOnly);
    QVERIFY(QFileInfo::exists(left));
    book::ReadingSession session(env.appDir());
    QVERIFY(!QFileInfo::exists(left));
    QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
    QVERIFY(session.extractPage(0).written);
    session.stagePage(1, p1);
    QCOMPARE(fileBytes(session.stagedPath()), p1);
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Back to the page before: written as ever.
    QVERIFY(session.extractPage(0).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    // Closing leaves read.tmp and nothing else.
    session.stagePage(1, p1);
    session.close();
    QVERIFY(!QFileInfo::exists(session.stagedPath()));
    QCOMPARE(fileBytes(session.readTmpPath()), p0);
    QVERIFY(!entries(env.appDir()).join(' ').contains(".read.tmp"));
}

void DatabaseTest::stagedBytesThatDifferAreNotUsed()
{
    TestEnv env; // a folder of its own
    const QString path = env.path("b.lhh");
    const QByteArray p0 = pictureBytes(20, 20, "PNG", Qt::red), p1 = pictureBytes(20, 20, "PNG", Qt::blue);
    QVERIFY(makeBook(env.appDir(), path, {{0, p0}, {1, p1}}));
    book::ReadingSession session(env.appDir());
    QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
    session.stagePage(1, "stale bytes");
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Staged for another page: that page's turn is an ordinary write.
    session.stagePage(0, p0);
    QVERIFY(session.extractPage(1).written);
    QCOMPARE(fileBytes(session.readTmpPath()), p1);
    // Nothing is staged without an open book.
    session.close();
    session.stagePage(0, p0);
    QVERIFY(!QFileInfo::exists(session.stagedPath()));
}

QTEST_MAIN(DatabaseTest)
#include "tst_database.moc"
