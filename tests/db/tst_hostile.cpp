// Book files made to hurt the reader: a schema that computes endless or huge
// pages must end in an error within seconds and without eating the memory,
// while a real book, even one with views and triggers it does not use, still
// reads.
#include "book/BookReader.h"
#include "db/Connection.h"
#include "tests/support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kBooks = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT)");
const QString kCount = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n WHERE x < %1) ");

} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    void hostileBookFailsSoon_data();
    void hostileBookFailsSoon();
    void pageCountLimit();
    void longStatementIsStopped();
    void pageReadsGrowWithThePages();

private:
    TestEnv env;
};

void HostileTest::hostileBookFailsSoon_data()
{
    QTest::addColumn<QStringList>("schema");
    QTest::addColumn<int>("listCode");
    QTest::addColumn<int>("pageCode");
    const QString view = QStringLiteral("CREATE VIEW pages AS ");
    QTest::newRow("pages an endless view")
        << QStringList{kBooks, view + "WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n) "
                                      "SELECT x AS pagenumber, x'00' AS image FROM n"}
        << SQLITE_ERROR << SQLITE_ERROR;
    QTest::newRow("pages a view counting to 10^12")
        << QStringList{kBooks, view + kCount.arg(qint64(1000000000000)) + "SELECT x AS pagenumber, x'00' AS image FROM n"}
        << SQLITE_ERROR << SQLITE_ERROR;
    QTest::newRow("pages a view of 50 million rows")
        << QStringList{kBooks, view + kCount.arg(49999999) + "SELECT x AS pagenumber, zeroblob(100) AS image FROM n"}
        << SQLITE_ERROR << SQLITE_ERROR;
    QTest::newRow("page a view of a 900 MB blob")
        << QStringList{kBooks, view + "SELECT 0 AS pagenumber, zeroblob(900000000) AS image"} << SQLITE_ERROR
        << SQLITE_ERROR;
    // No view: the table itself computes a 900 MB picture for every row.
    QTest::newRow("page a generated 900 MB blob")
        << QStringList{kBooks,
                       "CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, raw BLOB, "
                       "image BLOB GENERATED ALWAYS AS (zeroblob(900000000 + raw)) VIRTUAL)",
                       "INSERT INTO pages (pagenumber, raw) VALUES (0, 0), (1, 1)"}
        << SQLITE_OK << SQLITE_TOOBIG;
    // No view: every page number takes long to compute, and there are many.
    // The rows go in while the computation is cheap; then the schema is
    // rewritten under them, as a forger would.
    const QString slow = QStringLiteral("CREATE TABLE pages (raw INTEGER PRIMARY KEY, image BLOB, pagenumber INTEGER "
                                        "GENERATED ALWAYS AS (2000 - raw + length(replace(printf('%.*c', %1 + raw % 2, "
                                        "'x'), 'x', 'yy')) * 0) VIRTUAL)");
    QTest::newRow("page numbers slow to compute")
        << QStringList{kBooks, slow.arg(3), kCount.arg(1999) + "INSERT INTO pages (raw) SELECT x FROM n",
                       "PRAGMA writable_schema=ON",
                       "UPDATE sqlite_master SET sql = '" + QString(slow.arg(3000000)).replace("'", "''")
                           + "' WHERE name = 'pages'"}
        << SQLITE_INTERRUPT << SQLITE_INTERRUPT;
    // Views and triggers the reader does not use are no reason to refuse a book.
    QTest::newRow("a real book with a view and a trigger")
        << QStringList{kBooks, "CREATE TABLE pages (pagenumber INTEGER PRIMARY KEY, image BLOB)",
                       "INSERT INTO pages VALUES (0, x'ffd8ff'), (1, x'89504e47')",
                       "CREATE VIEW everything AS " + kCount.arg(qint64(1000000000000)) + "SELECT x FROM n",
                       "CREATE TRIGGER grow AFTER INSERT ON books BEGIN INSERT INTO pages (image) VALUES (NULL); END"}
        << SQLITE_OK << SQLITE_OK;
}

void HostileTest::hostileBookFailsSoon()
{
    QFETCH(QStringList, schema);
    QFETCH(int, listCode);
    QFETCH(int, pageCode);
    const QString path = env.path(QStringLiteral("hostile.lhh"));
    QVERIFY(writeRawDatabase(path, schema));
    db::Connection book;
    QVERIFY(!book.open(path, db::Access::ReadOnly));
    book.setDeadline(1000);

    QElapsedTimer clock;
    clock.start();
    QVector<qint32> numbers;
    const db::Error list = book::readPageNumbers(book, &numbers);
    QVERIFY2(clock.elapsed() < 10000, "the page list must give up within seconds");
    QCOMPARE(list.code & 0xff, listCode);
    QCOMPARE(list.message.isEmpty(), listCode == SQLITE_OK);

    clock.start();
    const book::PageRead page = book::readPage(book, 1);
    QVERIFY2(clock.elapsed() < 10000, "a page read must give up within seconds");
    QCOMPARE(page.error.code & 0xff, pageCode);
    if (pageCode == SQLITE_OK)
        QCOMPARE(page.bytes, QByteArray::fromHex("89504e47"));

    // Nothing on the way held hundreds of megabytes.
    QVERIFY2(peakMegabytes() < 600, qPrintable(QStringLiteral("peak %1 MB").arg(peakMegabytes())));
}

void HostileTest::pageCountLimit()
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

void HostileTest::pageReadsGrowWithThePages()
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
}

void HostileTest::longStatementIsStopped()
{
    const QString path = env.path(QStringLiteral("any.db"));
    QVERIFY(writeRawDatabase(path, {kBooks}));
    db::Connection c;
    QVERIFY(!c.open(path, db::Access::ReadWrite));
    c.setDeadline(300);
    QElapsedTimer clock;
    clock.start();
    const db::Error e =
        c.exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM n) SELECT count(*) FROM n"));
    QCOMPARE(e.code, SQLITE_INTERRUPT);
    QVERIFY(e.message.contains(path));
    QVERIFY(clock.elapsed() < 10000);
    // The connection is still good for the next statement.
    QVERIFY(!c.exec(QStringLiteral("INSERT INTO books (title) VALUES ('after')")));
}

QTEST_GUILESS_MAIN(HostileTest)
#include "tst_hostile.moc"
