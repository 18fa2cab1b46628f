// Making a book: what is stored, in what order, and that a write that fails
// or is refused leaves the folder as it found it.
#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "db/Connection.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace korvel;
using namespace korvel::test;

class BookWriterTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void roundTrip_data();
    void roundTrip();
    void failureLeavesTheFolderAsItWas_data();
    void failureLeavesTheFolderAsItWas();
    void heldTargetIsRefused();
    void replacesABookThatIsNotOpen();
    void callersConnectionsStayOpen();

private:
    QString templatePath() const { return env.appDir() + QStringLiteral("/Korvel.tmp!"); }
    QString picture(const QString &name, const char *format, int width);
    QStringList folder() const { return QDir(m_dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    TestEnv env;
    QString m_dir;
    int m_round = 0;
};

void BookWriterTest::init()
{
    // Each case in a folder of its own, so a stray file is seen.
    m_dir = env.path(QStringLiteral("case%1").arg(++m_round));
    QVERIFY(QDir().mkpath(m_dir));
}

QString BookWriterTest::picture(const QString &name, const char *format, int width)
{
    const QString path = env.path(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(pictureBytes(width, 48, format));
    return path;
}

void BookWriterTest::roundTrip_data()
{
    QTest::addColumn<bool>("withUrl");
    QTest::newRow("maker") << false;
    QTest::newRow("downloader") << true;
}

void BookWriterTest::roundTrip()
{
    QFETCH(bool, withUrl);
    // Given out of name order: the book keeps the order given.
    QFile empty(env.path(QStringLiteral("d.empty")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    const QStringList pictures = {picture(QStringLiteral("c.png"), "PNG", 30), picture(QStringLiteral("a.jpg"), "JPEG", 64),
                                  empty.fileName(), picture(QStringLiteral("b.bmp"), "BMP", 20)};
    book::BookMeta meta;
    meta.title = QStringLiteral("小英雄'雨来'");
    meta.summary = QStringLiteral("''); Drop Table pages; --");
    meta.drawer = QStringLiteral("O'Hara");
    meta.url = QStringLiteral("http://127.0.0.1/?a='b'");
    const QString target = m_dir + QStringLiteral("/written.lhh");
    const db::Error e = book::writeBook(templatePath(), target, meta, pictures, withUrl);
    QVERIFY2(!e, qPrintable(e.message));
    QCOMPARE(folder(), QStringList{QStringLiteral("written.lhh")});

    // Made like any new file here, not private to its maker.
    QFile probe(m_dir + QStringLiteral("/probe"));
    QVERIFY(probe.open(QIODevice::WriteOnly));
    QCOMPARE(QFileInfo(target).permissions(), probe.permissions());
    probe.remove();

    db::Connection book;
    QVERIFY(!book.open(target, db::Access::ReadOnly));
    const book::BookMeta stored = book::readBookMeta(book);
    QVERIFY(stored.found);
    QCOMPARE(stored.title, meta.title);
    QCOMPARE(stored.summary, meta.summary);
    QCOMPARE(stored.drawer, meta.drawer);
    QCOMPARE(stored.url, withUrl ? meta.url : QString());
    QVector<qint32> numbers;
    QVERIFY(!book::readPageNumbers(book, &numbers));
    QCOMPARE(numbers, (QVector<qint32>{0, 1, 2, 3}));
    for (int i = 0; i < pictures.size(); ++i) {
        const book::PageRead page = book::readPage(book, i);
        QVERIFY(page.found && !page.isNull);
        QCOMPARE(page.bytes, fileBytes(pictures.at(i)));
    }
}

void BookWriterTest::failureLeavesTheFolderAsItWas_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("failure");
    for (bool existing : {false, true}) {
        const char *over = existing ? "over a book, " : "new, ";
        QTest::addRow("%sunreadable picture", over) << existing << "unreadable";
        QTest::addRow("%sabandoned", over) << existing << "abandoned";
        QTest::addRow("%sno template", over) << existing << "template";
    }
}

void BookWriterTest::failureLeavesTheFolderAsItWas()
{
    QFETCH(bool, existing);
    QFETCH(QString, failure);
    const QString target = m_dir + QStringLiteral("/book.lhh");
    if (existing)
        QVERIFY(makeSimpleBook(env.appDir(), target, 2));
    const QStringList before = folder();
    const QByteArray hash = existing ? fileHash(target) : QByteArray();
    const QString good = picture(QStringLiteral("good.png"), "PNG", 40);
    const QString gone = env.path(QStringLiteral("no such picture.png"));
    {
        book::BookWriter writer(failure == QLatin1String("template") ? env.path(QStringLiteral("nothing.tmp!"))
                                                                     : templatePath(),
                                target);
        const db::Error begun = writer.begin({});
        QCOMPARE(bool(begun), failure == QLatin1String("template"));
        if (!begun) {
            QVERIFY(!writer.addPageFile(good));
            QCOMPARE(folder().size(), before.size() + 1); // the hidden file being built
            if (failure == QLatin1String("unreadable")) {
                const db::Error e = writer.addPageFile(gone);
                QVERIFY(e);
                QVERIFY2(e.message.contains(gone), qPrintable(e.message));
                // Nothing more goes in, and nothing is committed.
                QVERIFY(writer.addPageFile(good));
                QVERIFY(writer.commit());
            }
            QVERIFY(!writer.temporaryPath().isEmpty() || failure == QLatin1String("unreadable"));
        }
    }
    QCOMPARE(folder(), before);
    if (existing)
        QCOMPARE(fileHash(target), hash);
}

void BookWriterTest::heldTargetIsRefused()
{
    const QString target = m_dir + QStringLiteral("/open.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), target, 3));
    const QByteArray hash = fileHash(target);
    const QString page = picture(QStringLiteral("page.png"), "PNG", 40);
    {
        // Open before the write: refused at once.
        db::Connection reader;
        QVERIFY(!reader.open(target, db::Access::ReadOnly));
        QCOMPARE(book::writeBook(templatePath(), target, {}, {page}).code, int(db::Held));
        QVector<qint32> numbers;
        QVERIFY(!book::readPageNumbers(reader, &numbers));
        QCOMPARE(numbers.size(), 3);
    }
    {
        // Opened while the new book is being made: the commit is refused.
        book::BookWriter writer(templatePath(), target);
        QVERIFY(!writer.begin({}));
        QVERIFY(!writer.addPageFile(page));
        db::Connection reader;
        QVERIFY(!reader.open(target, db::Access::ReadOnly));
        QCOMPARE(writer.commit().code, int(db::Held));
    }
    QCOMPARE(fileHash(target), hash);
    QCOMPARE(folder(), QStringList{QStringLiteral("open.lhh")});
}

void BookWriterTest::replacesABookThatIsNotOpen()
{
    const QString target = m_dir + QStringLiteral("/old.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), target, 5));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFileDevice::Permissions mode = QFileInfo(target).permissions();
    const QString page = picture(QStringLiteral("page.png"), "PNG", 40);
    QVERIFY(!book::writeBook(templatePath(), target, {}, {page}));
    // The new book keeps the permissions the old one was given.
    QCOMPARE(QFileInfo(target).permissions(), mode);
    db::Connection book;
    QVERIFY(!book.open(target, db::Access::ReadOnly));
    QVector<qint32> numbers;
    QVERIFY(!book::readPageNumbers(book, &numbers));
    QCOMPARE(numbers, QVector<qint32>{0});
}

void BookWriterTest::callersConnectionsStayOpen()
{
    // The maker writes while the catalog and a book are open in the program.
    const QString catalog = env.path(QStringLiteral("catalog.mdb"));
    QVERIFY(!db::Connection::createFile(catalog, {QStringLiteral("CREATE TABLE lhhInfo (lhhTitle TEXT)"),
                                                  QStringLiteral("INSERT INTO lhhInfo VALUES ('a'), ('b')")}));
    const QString reading = m_dir + QStringLiteral("/reading.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), reading, 2));
    db::Connection catalogConn, bookConn;
    QVERIFY(!catalogConn.open(catalog, db::Access::ReadWrite));
    db::Statement titles = catalogConn.prepare(QStringLiteral("Select lhhTitle From lhhInfo"));
    QVERIFY(titles.next());
    QVERIFY(!bookConn.open(reading, db::Access::ReadOnly));

    QVERIFY(!book::writeBook(templatePath(), m_dir + QStringLiteral("/new.lhh"), {},
                             {picture(QStringLiteral("p.png"), "PNG", 40)}));

    QVERIFY(catalogConn.isOpen() && bookConn.isOpen());
    QCOMPARE(titles.value(0).toString(), QStringLiteral("a"));
    QVERIFY(titles.next());
    QCOMPARE(titles.value(0).toString(), QStringLiteral("b"));
    QVector<qint32> numbers;
    QVERIFY(!book::readPageNumbers(bookConn, &numbers));
    QCOMPARE(numbers.size(), 2);
}

QTEST_MAIN(BookWriterTest)
#include "tst_bookwriter.moc"
