// The database layer: what opens and what is refused, that an open is
// exclusive, that one call runs one statement, that quotes and bound values
// keep every byte, and that a transaction left behind is undone.
#include "book/BookReader.h"
#include "book/Sql.h"
#include "db/Connection.h"
#include "platform/FileLock.h"
#include "platform/NativePath.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <sqlite3.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kBooks = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT)");
const QString kCount = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n WHERE x < %1) ");

// The pages of the book at path; -1 and the error where it cannot be read.
int countPages(const QString &path, db::Error *error = nullptr)
{
    db::Connection book;
    db::Error e = book.open(path, db::Access::ReadOnly);
    db::Statement count = book.prepare(QStringLiteral("SELECT count(*) FROM pages"), e ? nullptr : &e);
    const int n = !e && count.next() ? int(count.int64(0)) : -1;
    if (error)
        *error = e;
    return n;
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

private slots:
    void refusesWhatIsNotADatabase()
    {
        // Missing, empty, a header only, a book cut in half, a folder: refused either
        // way, unchanged, and no journal left beside.
        QVERIFY(QFile(env.path("empty.lhh")).open(QIODevice::WriteOnly));
        QVERIFY(putFile(env.path("header.lhh"), QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\xff')));
        QVERIFY(makeSimpleBook(env.appDir(), env.path("truncated.lhh"), 6, 200, 200, "BMP"));
        QVERIFY(QFile::resize(env.path("truncated.lhh"), QFileInfo(env.path("truncated.lhh")).size() / 2));
        QVERIFY(QDir().mkpath(env.path("folder.lhh")));
        for (const auto &[name, code] : {std::pair{"missing", db::NoSuchFile}, {"empty", db::NotADatabase}, {"header", db::NotADatabase},
                                         {"truncated", db::NotADatabase}, {"folder", db::NotAFile}}) {
            const QString path = env.path(QString::fromLatin1(name) + ".lhh");
            const QByteArray before = QFileInfo(path).isFile() ? fileHash(path) : QByteArray();
            for (db::Access access : {db::Access::ReadOnly, db::Access::ReadWrite}) {
                db::Connection c;
                const db::Error e = c.open(path, access);
                QVERIFY2(e.code == code, name);
                QVERIFY(!e.message.isEmpty() && !c.isOpen());
            }
            if (QFileInfo(path).isFile())
                QCOMPARE(fileHash(path), before);
            QVERIFY(!QFileInfo::exists(path + QStringLiteral("-journal")));
        }
    }

    void openIsExclusive()
    {
        const QString path = env.path(QStringLiteral("held by another.lhh"));
        QVERIFY(makeSimpleBook(env.appDir(), path, 2));
        for (db::Access first : {db::Access::ReadOnly, db::Access::ReadWrite}) {
            for (db::Access second : {db::Access::ReadOnly, db::Access::ReadWrite}) {
                db::Connection a;
                QVERIFY(!a.open(path, first));
                // The hold moves with the connection and ends only with its close.
                db::Connection moved = std::move(a);
                QVERIFY(!a.isOpen());
                db::Connection b;
                QCOMPARE(b.open(path, second).code, int(db::Held));
                QVERIFY(!platform::copyFileUnlessHeld(path, env.path(QStringLiteral("copy.lhh"))));
                moved.close();
                QVERIFY(!b.open(path, second));
            }
        }
    }

    void oneStatementPerCall()
    {
        // Closing semicolons and a comment are allowed; a second statement, or none, is not.
        const QList<std::pair<QString, bool>> cases = {
            {"Insert Into t (a) Values ('x')", true},
            {"Insert Into t (a) Values ('x');; -- done", true},
            {"Insert Into t (a) Values ('x'); Drop Table t", false},
            {"Insert Into t (a) Values ('x'); /* c */ Drop Table t", false},
            {"-- nothing", false},
        };
        for (const auto &[sql, accepted] : cases) {
            const QString path = env.path(QStringLiteral("one%1.db").arg(qHash(sql)));
            QVERIFY(!db::Connection::createFile(path, {QStringLiteral("CREATE TABLE t (a TEXT)")}));
            db::Connection c;
            QVERIFY(!c.open(path, db::Access::ReadWrite));
            QVERIFY2(!c.exec(sql) == accepted, qPrintable(sql));
            // A refused text runs no part of itself: the table is there, and empty.
            QCOMPARE(firstNumber(c, QStringLiteral("Select count(*) From t")), accepted ? 1 : 0);
        }
    }

    void quotesAndBoundValuesRoundTrip()
    {
        const QString path = env.path(QStringLiteral("quotes.db"));
        QVERIFY(!db::Connection::createFile(path, {QStringLiteral("CREATE TABLE t (a TEXT, b BLOB, n INTEGER)")}));
        db::Connection c;
        QVERIFY(!c.open(path, db::Access::ReadWrite));
        const QString tricky = QStringLiteral("O'Neil's ''book'' '); Drop Table t; --");
        QVERIFY(!c.exec(QStringLiteral("Insert Into t (a) Values (") + book::sqlText(tricky) + QStringLiteral(")")));
        db::Statement found = c.prepare(QStringLiteral("Select a From t Where a=") + book::sqlText(tricky));
        QVERIFY(found.next());
        QCOMPARE(found.value(0).toString(), tricky);
        QCOMPARE(firstNumber(c, QStringLiteral("Select count(*) From t Where a Like '%o''n%'")), 1);

        // Bound values keep every byte: NULs in a blob, a Chinese text, a large number.
        QByteArray blob("\0\x01'\xff", 4);
        QVERIFY(!c.exec(QStringLiteral("Insert Into t (a, b, n) Values (?, ?, ?)"),
                              {QStringLiteral("连环画 'x'"), blob, qint64(1) << 40}));
        db::Statement s = c.prepare(QStringLiteral("Select a, b, n From t Where n = ?"));
        QVERIFY(!s.bind(1, qint64(1) << 40));
        QVERIFY(s.next());
        QCOMPARE(s.value(0).toString(), QStringLiteral("连环画 'x'"));
        QCOMPARE(s.blob(1), blob);
        QCOMPARE(s.int64(2), qint64(1) << 40);
        QVERIFY(!s.next());
        QVERIFY(!s.error());
        QVERIFY(s.bind(4, 1));
    }

    void transactionsAndStatementsOutlivingTheirConnection()
    {
        const QString path = env.path(QStringLiteral("tx.db"));
        QVERIFY(!db::Connection::createFile(path, {QStringLiteral("CREATE TABLE t (a INTEGER)")}));
        const QString rows = QStringLiteral("Select count(*) From t");
        db::Statement s;
        {
            db::Connection c;
            QVERIFY(!c.open(path, db::Access::ReadWrite));
            {
                db::Transaction t(c);
                QVERIFY(!t.error());
                QVERIFY(!c.exec(QStringLiteral("Insert Into t Values (1)")));
                QCOMPARE(firstNumber(c, rows), 1);
            }
            // A transaction left behind is undone.
            QCOMPARE(firstNumber(c, rows), 0);
            {
                db::Transaction t(c);
                QVERIFY(!c.exec(QStringLiteral("Insert Into t Values (2), (3)")));
                QVERIFY(!t.commit());
            }
            QCOMPARE(firstNumber(c, rows), 2);
            // A second transaction cannot begin inside the first; the first is unharmed.
            db::Transaction outer(c);
            db::Transaction inner(c);
            QVERIFY(inner.error());
            QVERIFY(inner.commit());
            QVERIFY(!outer.commit());
            s = c.prepare(QStringLiteral("Select a From t"));
            QVERIFY(s.next());
        }
        // A statement outliving its connection fails cleanly; the hold went with the connection.
        QVERIFY(!s.next());
        QCOMPARE(s.error().code, int(db::NotOpen));
        db::Connection again;
        QVERIFY(!again.open(path, db::Access::ReadWrite));
    }

    void longPathsOpenAndAreMade()
    {
        // Past the engine's 512 bytes, up to what the system opens.
        QString folder = env.path(QStringLiteral("long"));
        while (folder.toUtf8().size() < 700)
            folder += QLatin1Char('/') + QString(60, QChar(0x4e66)).left(40); // 书 x 40: 120 bytes
        QVERIFY(QDir().mkpath(folder));
        const QString book = folder + QStringLiteral("/长路径.lhh");
        QVERIFY(makeSimpleBook(env.appDir(), book, 3));
        QCOMPARE(countPages(book), 3);
        db::Connection writable;
        QVERIFY(!writable.open(book, db::Access::ReadWrite));
        QVERIFY(!writable.exec(QStringLiteral("INSERT INTO pages (pagenumber, image) VALUES (9, x'00')")));
        writable.close();
        QCOMPARE(countPages(book), 4);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("长路径.lhh")});

        // Longer than the system opens: said so, not called damaged.
        const QString tooLong = env.path(QString(300, QLatin1Char('n')) + QStringLiteral(".lhh"));
        db::Error e;
        QCOMPARE(countPages(tooLong, &e), -1);
        QCOMPARE(e.code, int(db::PathTooLong));
        QVERIFY(e.message.contains(QStringLiteral("too long")));
    }

    void namesInOtherEncodingsOpen()
    {
        // 连环画 in GBK, as a name from a Windows disk: a folder and a book in it.
        const QByteArray gbk("\xc1\xac\xbb\xb7\xbb\xad");
        const QByteArray folder = QFile::encodeName(env.path(QString())) + gbk;
        const QByteArray native = folder + '/' + gbk + ".lhh";
        if (::mkdir(folder.constData(), 0700) != 0)
            QSKIP(qPrintable(QStringLiteral("the file system refuses the name (%1)").arg(strerror(errno))));
        const QByteArray stray = QFile::encodeName(env.path(QString())) + "\xff\xfe.lhh";
        // The toolkit cannot remove what it cannot name: removed here.
        const auto cleanUp = qScopeGuard([&] {
            for (const QByteArray &file : {native, stray})
                ::unlink(file.constData());
            ::rmdir(folder.constData());
        });
        const QString made = env.path(QStringLiteral("made.lhh"));
        QVERIFY(makeSimpleBook(env.appDir(), made, 2));
        QVERIFY(::rename(QFile::encodeName(made).constData(), native.constData()) == 0);

        const QString readable = platform::readablePath(native);
        QCOMPARE(readable, env.path(QStringLiteral("连环画/连环画.lhh")));
        QCOMPARE(platform::nativePath(readable), native);
        QCOMPARE(countPages(readable), 2);
        // As the toolkit shows the name (each stray byte a U+FFFD): found while it is the only one so.
        QCOMPARE(countPages(QFile::decodeName(native)), 2);
        // Bytes that are neither UTF-8 nor GBK still read as something, and open.
        QVERIFY(::rename(native.constData(), stray.constData()) == 0);
        QVERIFY(platform::readablePath(stray).endsWith(QStringLiteral("\ufffd\ufffd.lhh")));
        QCOMPARE(countPages(platform::readablePath(stray)), 2);
    }

    void bookWithItsWriteAheadLogShowsEveryPage()
    {
        // Another program left the book in write-ahead-log mode: two pages in the
        // book, two more only in the log beside it.
        const QString book = env.path(QStringLiteral("logged.lhh"));
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(book).constData(), &db), SQLITE_OK);
        int ignored = 0;
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &ignored);
        for (const char *sql : {"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0",
                                "INSERT INTO pages (pagenumber, image) VALUES (7, x'01'), (8, x'02')"})
            QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        QFile::remove(book + QStringLiteral("-shm"));
        const QByteArray bookHash = fileHash(book);
        const QByteArray logHash = fileHash(book + QStringLiteral("-wal"));
        const QStringList beside = QDir(env.path(QString())).entryList(QDir::Files | QDir::Hidden);

        QCOMPARE(countPages(book), 4);
        // Nothing written: not the book, not its log, and nothing new beside them.
        QCOMPARE(fileHash(book), bookHash);
        QCOMPARE(fileHash(book + QStringLiteral("-wal")), logHash);
        QCOMPARE(QDir(env.path(QString())).entryList(QDir::Files | QDir::Hidden), beside);
        // Still held while open, as any book.
        db::Connection open;
        QVERIFY(!open.open(book, db::Access::ReadOnly));
        QCOMPARE(db::Connection().open(book, db::Access::ReadOnly).code, int(db::Held));
    }

    // Books made to hurt the reader: a schema that computes endless or huge
    // pages ends in an error within seconds and without eating the memory,
    // while a real book, even with views and triggers it does not use, reads.
    void hostileBookFailsSoon()
    {
        struct Case {
            const char *name;
            QStringList schema;
            int listCode, pageCode;
        };
        const QString view = QStringLiteral("CREATE VIEW pages AS ");
        // The page numbers are slow to compute, and there are many. The rows go in
        // while the computation is cheap; then the schema is rewritten under them,
        // as a forger would.
        const QString slow = QStringLiteral("CREATE TABLE pages (raw INTEGER PRIMARY KEY, image BLOB, pagenumber INTEGER "
                                            "GENERATED ALWAYS AS (2000 - raw + length(replace(printf('%.*c', %1 + raw % 2, "
                                            "'x'), 'x', 'yy')) * 0) VIRTUAL)");
        const QList<Case> cases = {
            // A view is never run, however it would end.
            {"pages an endless view",
             {kBooks, view + "WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n) "
                             "SELECT x AS pagenumber, x'00' AS image FROM n"},
             SQLITE_ERROR, SQLITE_ERROR},
            // No view: the table itself computes a 900 MB picture for every row.
            {"page a generated 900 MB blob",
             {kBooks,
              "CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, raw BLOB, "
              "image BLOB GENERATED ALWAYS AS (zeroblob(900000000 + raw)) VIRTUAL)",
              "INSERT INTO pages (pagenumber, raw) VALUES (0, 0), (1, 1)"},
             SQLITE_OK, SQLITE_TOOBIG},
            {"page numbers slow to compute",
             {kBooks, slow.arg(3), kCount.arg(1999) + "INSERT INTO pages (raw) SELECT x FROM n", "PRAGMA writable_schema=ON",
              "UPDATE sqlite_master SET sql = '" + QString(slow.arg(3000000)).replace("'", "''") + "' WHERE name = 'pages'"},
             SQLITE_INTERRUPT, SQLITE_INTERRUPT},
            // Views and triggers the reader does not use are no reason to refuse a book.
            {"a real book with a view and a trigger",
             {kBooks, "CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)",
              "INSERT INTO pages VALUES (0, x'ffd8ff'), (1, x'89504e47')",
              "CREATE VIEW everything AS " + kCount.arg(qint64(1000000000000)) + "SELECT x FROM n",
              "CREATE TRIGGER grow AFTER INSERT ON books BEGIN INSERT INTO pages (image) VALUES (NULL); END"},
             SQLITE_OK, SQLITE_OK},
        };
        for (const Case &c : cases) {
            const QString path = env.path(QStringLiteral("hostile.lhh"));
            QVERIFY(writeRawDatabase(path, c.schema));
            db::Connection book;
            QVERIFY(!book.open(path, db::Access::ReadOnly));
            book.setDeadline(1000);
            QElapsedTimer clock;
            clock.start();
            QVector<qint32> numbers;
            const db::Error list = book::readPageNumbers(book, &numbers);
            QVERIFY2(clock.elapsed() < 10000, c.name);
            QVERIFY2((list.code & 0xff) == c.listCode, c.name);
            QCOMPARE(list.message.isEmpty(), c.listCode == SQLITE_OK);
            if (c.listCode == SQLITE_INTERRUPT)
                QVERIFY2(list.message.contains(path), qPrintable(list.message));
            clock.start();
            const book::PageRead page = book::readPage(book, 1);
            QVERIFY2(clock.elapsed() < 10000, c.name);
            QVERIFY2((page.error.code & 0xff) == c.pageCode, c.name);
            if (c.pageCode == SQLITE_OK)
                QCOMPARE(page.bytes, QByteArray::fromHex("89504e47"));
            // Nothing on the way held hundreds of megabytes, and the connection is still good.
            QVERIFY2(peakMegabytes() < 600, qPrintable(QStringLiteral("peak %1 MB").arg(peakMegabytes())));
            QVERIFY(!book.exec(kCount.arg(1000) + QStringLiteral("SELECT count(*) FROM n")));
        }
    }

    void pageCountLimit()
    {
        // A million pages is the most a book may have; one more and it is refused.
        const QString path = env.path(QStringLiteral("long.lhh"));
        QVERIFY(writeRawDatabase(path, {kBooks, QStringLiteral("CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)"),
                             kCount.arg(book::kMaxPages - 1) + QStringLiteral("INSERT INTO pages (pagenumber) SELECT x FROM n")}));
        QVector<qint32> numbers;
        {
            db::Connection book;
            QVERIFY(!book.open(path, db::Access::ReadOnly));
            QVERIFY(!book::readPageNumbers(book, &numbers));
            QCOMPARE(numbers.size(), book::kMaxPages);
            QCOMPARE(numbers.last(), book::kMaxPages - 1);
        }
        QVERIFY(writeRawDatabase(path, {QStringLiteral("INSERT INTO pages (pagenumber) VALUES (-1)")}, false));
        db::Connection book;
        QVERIFY(!book.open(path, db::Access::ReadOnly));
        QCOMPARE(book::readPageNumbers(book, &numbers).code, int(db::TooManyPages));
        // The list read before is left as it was.
        QCOMPARE(numbers.size(), book::kMaxPages);
    }

    void pageReadsGrowWithThePages()
    {
        // Another program's book need not index its page numbers (nor have row
        // ids); reading every page must still cost in proportion to the pages,
        // not to their square.
        qint64 work[2] = {};
        for (int round = 0; round < 2; ++round) {
            const int count = 1000 << round;
            const QString path = env.path(QStringLiteral("plain%1.lhh").arg(count));
            QVERIFY(writeRawDatabase(path, {kBooks, QStringLiteral("CREATE TABLE pages (pagenumber INTEGER, image BLOB)"),
                                            kCount.arg(count - 1) + QStringLiteral("INSERT INTO pages SELECT %1 - x, "
                                                                                   "randomblob(100) FROM n")
                                                                        .arg(count)}));
            db::Connection book;
            QVERIFY(!book.open(path, db::Access::ReadOnly));
            book::PageList list;
            QVERIFY(!book::readPageList(book, &list));
            QCOMPARE(list.numbers.size(), count);
            QCOMPARE(list.numbers.first(), 1);
            for (int i = 0; i < count; ++i)
                QCOMPARE(book::readListedPage(book, list, i).bytes.size(), 100);
            work[round] = book.engineWork();
        }
        QVERIFY2(work[0] > 0 && work[1] <= work[0] * 5 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(work[0]).arg(work[1])));

        const QString path = env.path(QStringLiteral("norowid.lhh"));
        QVERIFY(writeRawDatabase(path, {kBooks, QStringLiteral("CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image "
                                                               "BLOB) WITHOUT ROWID"),
                                        QStringLiteral("INSERT INTO pages VALUES (5, x'01'), (3, x'02')")}));
        db::Connection book;
        QVERIFY(!book.open(path, db::Access::ReadOnly));
        book::PageList list;
        QVERIFY(!book::readPageList(book, &list));
        QCOMPARE(list.numbers, (QVector<qint32>{3, 5}));
        QCOMPARE(book::readListedPage(book, list, 1).bytes, QByteArray("\x01"));
        // Held bytes of the same length are handed back only when they are the page's.
        QCOMPARE(book::readListedPage(book, list, 1, QByteArray("\x02")).bytes, QByteArray("\x01"));
    }

private:
    // The first column of the first row the query gives; -1 if none.
    static qint64 firstNumber(db::Connection &c, const QString &sql)
    {
        db::Statement s = c.prepare(sql);
        return s.next() ? s.int64(0) : -1;
    }
    TestEnv env;
};

QTEST_MAIN(ConnectionTest)

#include "tst_connection.moc"
