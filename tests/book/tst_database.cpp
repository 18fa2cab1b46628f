// The database layer and the book file: what opens, what is refused, that an
// open is exclusive, and that reading a book never changes it.
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "book/Sql.h"
#include "book/mOpenDatabase.h"
#include "platform/FileLock.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void refusesWhatIsNotABook_data();
    void refusesWhatIsNotABook();
    void bookWithoutPagesTableOpensButCannotListPages();
    void openIsExclusiveWithinTheProcess();
    void openIsExclusiveAcrossProcesses();
    void readingChangesNothingAndLeavesNoFiles();
    void readOnlyBookStillReads();
    void pagesWithGapsNullsAndOddPaths();
    void quotesInTextsAreStoredExactly();
    void writeBookRoundTripAndHeldTargetIsNeverReplaced();
    void onlyOneStatementPerCall();

private:
    TestEnv env;
};

void DatabaseTest::refusesWhatIsNotABook_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("random bytes") << "random";
    QTest::newRow("truncated book") << "truncated";
    QTest::newRow("folder named x.lhh") << "folder";
    QTest::newRow("header only") << "header";
}

void DatabaseTest::refusesWhatIsNotABook()
{
    QFETCH(QString, kind);
    const QString path = env.path(kind + QStringLiteral(".lhh"));
    if (kind == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("random")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk(20000, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919 + 13) % 251);
        f.write(junk);
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(makeSimpleBook(env.appDir(), path, 6, 200, 200, "BMP"));
        QFile f(path);
        QVERIFY(f.resize(f.size() / 2));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("header")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\xff'));
    }
    const QByteArray before = QFileInfo(path).isFile() ? fileHash(path) : QByteArray();

    book::mOpenDatabase db(env.appDir());
    QVERIFY(!db.OpenBookConn(path));
    QVERIFY(!db.BookConnOpen());
    QVERIFY(!db.OpenConn(path));
    if (QFileInfo(path).isFile())
        QCOMPARE(fileHash(path), before);
    QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
}

void DatabaseTest::bookWithoutPagesTableOpensButCannotListPages()
{
    const QString path = env.path(QStringLiteral("nopages.lhh"));
    QVERIFY(book::mOpenDatabase::CreateDatabaseFile(path, {QStringLiteral("CREATE TABLE books (title TEXT)")}));
    book::mOpenDatabase db(env.appDir());
    QVERIFY(db.OpenBookConn(path));
    book::BookReader reader(db, env.appDir());
    reader.PageCount = 5;
    QVERIFY(!reader.GetAllPagesNumber());
    QCOMPARE(reader.PageCount, 0);
}

void DatabaseTest::openIsExclusiveWithinTheProcess()
{
    const QString path = env.path(QStringLiteral("held.lhh"));
    QVERIFY(makeSimpleBook(env.appDir(), path, 2));
    book::mOpenDatabase a(env.appDir());
    book::mOpenDatabase b(env.appDir());
    QVERIFY(a.OpenBookConn(path));
    // The other channel of the same module, another module, a copy: all refused.
    QVERIFY(!a.OpenConn(path));
    QVERIFY(!b.OpenBookConn(path));
    QVERIFY(!b.OpenConn(path));
    QVERIFY(!platform::copyFileUnlessHeld(path, env.path(QStringLiteral("copy.lhh"))));
    QVERIFY(!QFileInfo::exists(env.path(QStringLiteral("copy.lhh"))));
    a.CloseBookConn();
    QVERIFY(b.OpenBookConn(path));
    b.CloseBookConn();
    QVERIFY(platform::copyFileUnlessHeld(path, env.path(QStringLiteral("copy.lhh"))));
    QCOMPARE(fileHash(env.path(QStringLiteral("copy.lhh"))), fileHash(path));
}

void DatabaseTest::openIsExclusiveAcrossProcesses()
{
    const QString path = env.path(QStringLiteral("other process.lhh"));
    QVERIFY(makeSimpleBook(env.appDir(), path, 2));
    // A second program holds the book: this one must be refused until it lets go.
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), path, env.appDir()});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    book::mOpenDatabase db(env.appDir());
    QVERIFY(!db.OpenBookConn(path));
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(10000));
    QVERIFY(db.OpenBookConn(path));
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
        book::mOpenDatabase db(env.appDir());
        QVERIFY(db.OpenBookConn(path));
        book::BookReader reader(db, env.appDir());
        QVERIFY(reader.GetAllPagesNumber());
        for (qint32 n : reader.PageNumbers)
            QVERIFY(reader.ExtractPage(n).written);
        QVERIFY(db.OpenBookRs(QStringLiteral("Select title,drawer,publisher,publishdate,sign From books")));
        db.CloseBookConn();
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
    book::mOpenDatabase db(env.appDir());
    const bool opened = db.OpenBookConn(path);
    book::BookReader reader(db, env.appDir());
    const bool listed = opened && reader.GetAllPagesNumber();
    db.CloseBookConn();
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(opened);
    QVERIFY(listed);
    QCOMPARE(reader.PageCount, 3);
}

void DatabaseTest::pagesWithGapsNullsAndOddPaths()
{
    const QString path = env.path(QStringLiteral("带 \"引号\" 和 'quote' #?.lhh"));
    const QByteArray nine = pictureBytes(40, 30, "PNG");
    QVERIFY(makeBook(env.appDir(), path, {{9, nine}, {3, pictureBytes(10, 10, "BMP")}, {7, std::nullopt}}));
    book::mOpenDatabase db(env.appDir());
    QVERIFY(db.OpenBookConn(path));
    book::BookReader reader(db, env.appDir());
    QVERIFY(reader.GetAllPagesNumber());
    QCOMPARE(reader.PageCount, 3);
    QCOMPARE(reader.PageNumbers, (QVector<qint32>{3, 7, 9}));

    const auto last = reader.ExtractPage(9);
    QVERIFY(last.hasImage && last.written);
    QCOMPARE(fileBytes(reader.ReadTmpPath()), nine);
    // A null image leaves read.tmp as it was.
    const auto empty = reader.ExtractPage(7);
    QVERIFY(empty.found);
    QVERIFY(!empty.hasImage);
    QVERIFY(empty.path.isEmpty());
    QCOMPARE(fileBytes(reader.ReadTmpPath()), nine);
    // A number that is not stored finds nothing.
    QVERIFY(!reader.ExtractPage(8).found);

    QCOMPARE(book::BookReader::NextIndex(2, 3), 0);
    QCOMPARE(book::BookReader::PrevIndex(0, 3), 2);
    QCOMPARE(book::BookReader::NextIndex(0, 1), 0);
    QCOMPARE(book::BookReader::PrevIndex(0, 1), 0);
}

void DatabaseTest::quotesInTextsAreStoredExactly()
{
    const QString path = env.path(QStringLiteral("quotes.db"));
    QVERIFY(book::mOpenDatabase::CreateDatabaseFile(path, {QStringLiteral("CREATE TABLE t (a TEXT, b TEXT)")}));
    book::mOpenDatabase db(env.appDir());
    QVERIFY(db.OpenConn(path));
    const QString tricky = QStringLiteral("O'Neil's ''book'' '); Drop Table t; --");
    QVERIFY(db.OpenRs(QStringLiteral("Insert Into t (a,b) Values (") + book::sqlText(tricky) + QStringLiteral(",")
                      + book::sqlText(QStringLiteral("连环画")) + QStringLiteral(")")));
    QVERIFY(db.OpenRs(QStringLiteral("Select * From t Where a=") + book::sqlText(tricky)));
    QCOMPARE(db.Rs.RecordCount(), 1);
    QCOMPARE(db.Rs.Field(QStringLiteral("A")).toString(), tricky);
    QCOMPARE(db.Rs.Text(QStringLiteral("b")), QStringLiteral("连环画"));
    QVERIFY(db.OpenRs(QStringLiteral("Select * From t Where a Like '%o''n%'")));
    QCOMPARE(db.Rs.RecordCount(), 1);
}

void DatabaseTest::writeBookRoundTripAndHeldTargetIsNeverReplaced()
{
    QStringList pictures;
    for (const char *format : {"JPEG", "PNG", "BMP"}) {
        const QString p = env.path(QStringLiteral("pic.") + QString::fromLatin1(format).toLower());
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(pictureBytes(64, 48, format));
        pictures << p;
    }
    book::BookMeta meta;
    meta.title = QStringLiteral("小英雄'雨来'");
    meta.drawer = QStringLiteral("O'Hara");
    meta.url = QStringLiteral("http://127.0.0.1/?a='b'");
    const QString target = env.path(QStringLiteral("written.lhh"));
    book::mOpenDatabase db(env.appDir());
    QCOMPARE(book::writeBook(db, target, meta, pictures, true), book::WriteResult::Ok);

    QVERIFY(db.OpenBookConn(target));
    QVERIFY(db.OpenBookRs(QStringLiteral("Select title,drawer,publisher,publishdate,sign,url From books")));
    QCOMPARE(db.BookRs.Text(QStringLiteral("title")), meta.title);
    QCOMPARE(db.BookRs.Text(QStringLiteral("drawer")), meta.drawer);
    QCOMPARE(db.BookRs.Text(QStringLiteral("url")), meta.url);
    QVERIFY(db.BookRs.Text(QStringLiteral("publisher")).isEmpty());
    book::BookReader reader(db, env.appDir());
    QVERIFY(reader.GetAllPagesNumber());
    QCOMPARE(reader.PageNumbers, (QVector<qint32>{0, 1, 2}));
    QCOMPARE(reader.ExtractPage(1).bytes, fileBytes(pictures.at(1)));

    // While it is open, writing a new book over it must fail and leave it whole.
    const QByteArray before = fileHash(target);
    book::mOpenDatabase other(env.appDir());
    QCOMPARE(book::writeBook(other, target, meta, pictures.mid(0, 1)), book::WriteResult::CopyFailed);
    QCOMPARE(fileHash(target), before);
    // The maker's statement leaves url out.
    QVERIFY(!book::makerInsertSql(meta).contains(QStringLiteral("url")));
    QVERIFY(book::downloaderInsertSql(meta).contains(QStringLiteral("drawer,url,coverdrawer) Values (1,")));
}

void DatabaseTest::onlyOneStatementPerCall()
{
    const QString path = env.path(QStringLiteral("one.db"));
    QVERIFY(book::mOpenDatabase::CreateDatabaseFile(path, {QStringLiteral("CREATE TABLE t (a TEXT)")}));
    book::mOpenDatabase db(env.appDir());
    QVERIFY(db.OpenConn(path));
    QVERIFY(!db.OpenRs(QStringLiteral("Insert Into t (a) Values ('x'); Drop Table t")));
    QVERIFY(db.OpenRs(QStringLiteral("Select a From t")));
    QCOMPARE(db.Rs.RecordCount(), 0);
    QVERIFY(db.Rs.Eof());
}

// "--hold <book> <appDir>": hold the book open until standard input closes,
// standing in for a second running Korvel.
int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--hold") {
        QCoreApplication app(argc, argv);
        book::mOpenDatabase db(QString::fromLocal8Bit(argv[3]));
        if (!db.OpenBookConn(QString::fromLocal8Bit(argv[2])))
            return 2;
        fputs("held\n", stdout);
        fflush(stdout);
        char buffer[16];
        while (fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        return 0;
    }
    QGuiApplication app(argc, argv);
    DatabaseTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_database.moc"
