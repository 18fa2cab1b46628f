// Reading a book: its page list, its pages and its record, from books made
// here and elsewhere, and that reading never changes the file; read.tmp; and
// writing a book.
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "book/ReadingSession.h"
#include "platform/ScratchFile.h"
#include "db/Connection.h"
#include "tests/support/PutFile.h"
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
    void readingChangesNothingAndLeavesNoFiles()
    {
        // A read-only book with gaps in its page numbers, a null page and an
        // odd name, in a read-only folder, reads whole; not a byte of it
        // changes and nothing is left beside it.
        const QString dir = env.path(QStringLiteral("readonly"));
        QDir().mkpath(dir);
        const QString name = QStringLiteral("带 \"引号\" 和 'quote' #?.lhh");
        const QString path = dir + '/' + name;
        const QByteArray nine = pictureBytes(40, 30, "PNG");
        QVERIFY(makeBook(env.appDir(), path, {{9, nine}, {3, pictureBytes(10, 10, "BMP")}, {7, std::nullopt}}));
        const QByteArray before = fileHash(path);
        const QDateTime mtime = QFileInfo(path).lastModified();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        const auto writable = qScopeGuard([&] { QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        {
            book::ReadingSession session(env.appDir());
            QCOMPARE(session.open(path), book::ReadingSession::OpenResult::Opened);
            QCOMPARE(session.pageNumbers(), (QVector<qint32>{3, 7, 9}));
            QVERIFY(session.extractPage(3).written);
            const auto last = session.extractPage(9);
            QVERIFY(last.hasImage && last.written);
            QCOMPARE(fileBytes(session.readTmpPath()), nine);
            // A null image leaves read.tmp as it was, whatever bytes the
            // caller holds.
            const auto empty = session.extractPage(7, nine);
            QVERIFY(empty.found && !empty.hasImage);
            QCOMPARE(fileBytes(session.readTmpPath()), nine);
            // A number that is not stored finds nothing.
            QVERIFY(!session.extractPage(8, nine).found);
        }
        QCOMPARE(fileHash(path), before);
        QCOMPARE(QFileInfo(path).lastModified(), mtime);
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{name});

        QCOMPARE(book::nextIndex(2, 3), 0);
        QCOMPARE(book::previousIndex(0, 3), 2);
        QCOMPARE(book::nextIndex(0, 1), 0);
        QCOMPARE(book::previousIndex(0, 1), 0);
    }

    void bookRecord()
    {
        const QString books = QStringLiteral("CREATE TABLE books (booknumber INTEGER, title TEXT, summary TEXT, "
                                             "writer TEXT, sign TEXT, publisher TEXT, publishdate TEXT, drawer TEXT, "
                                             "url TEXT, coverdrawer TEXT)");
        struct Case {
            QStringList schema;
            bool found, failed;
            QString title, drawer;
        };
        const QList<Case> cases = {
            {{books, "INSERT INTO books (title, drawer) VALUES ('雨来''s', 'O''Hara')"}, true, false, "雨来's", "O'Hara"},
            // Made elsewhere, with fewer columns.
            {{"CREATE TABLE books (Title TEXT)", "INSERT INTO books VALUES ('x')"}, true, false, "x", ""},
            {{books}, false, false, "", ""},
            {{"CREATE TABLE pages (pagenumber INTEGER)"}, false, true, "", ""},
        };
        for (const Case &c : cases) {
            const QString path = env.path(QStringLiteral("record%1.lhh").arg(m_round++));
            QVERIFY(!db::Connection::createFile(path, c.schema));
            // Without a pages table a book opens but its pages cannot be
            // listed; either way it is not open, and nothing of it stays held.
            book::ReadingSession session(env.appDir());
            const bool pages = c.schema.join(' ').contains("TABLE pages");
            QCOMPARE(session.open(path) == book::ReadingSession::OpenResult::PagesFailed, !pages);
            QVERIFY(!session.isOpen());
            db::Connection book;
            QVERIFY(!book.open(path, db::Access::ReadOnly));
            db::Error error;
            const book::BookMeta meta = book::readBookMeta(book, &error);
            QCOMPARE(meta.found, c.found);
            QCOMPARE(bool(error), c.failed);
            QCOMPARE((QStringList{meta.title, meta.drawer, meta.url}), (QStringList{c.title, c.drawer, ""}));
        }
    }

    // read.tmp written ahead of its turn and swapped into place whole.
    void scratchFiles()
    {
        TestEnv env; // a folder of its own
        const QString path = env.path("read.tmp");
        const QStringList before = entries(env.path(QString()));
        QVERIFY(putFile(path, QByteArray(100000, 'o')));
        QString error;
        QVERIFY(platform::writeScratchFile(path, "new bytes", &error));
        QCOMPARE(fileBytes(path), QByteArray("new bytes"));
        QCOMPARE(QFile::permissions(path) & QFileDevice::ReadOther, QFileDevice::ReadOther);
        QCOMPARE(entries(env.path(QString())), before + QStringList{"read.tmp"});
        // A folder in the way, or no folder to write in: refused, nothing left.
        QVERIFY(QFile::remove(path) && QDir().mkpath(path + "/inside"));
        for (const QString &target : {path, env.path("gone/read.tmp")}) {
            error.clear();
            QVERIFY(!platform::writeScratchFile(target, "new bytes", &error));
            QVERIFY(!error.isEmpty());
            QCOMPARE(entries(env.path(QString())), before + QStringList{"read.tmp"});
        }
        QCOMPARE(entries(path), QStringList{"inside"});
    }

    void stagedPageIsSwappedIn()
    {
        TestEnv env; // a folder of its own
        const QString path = env.path("b.lhh");
        const QByteArray p0 = pictureBytes(20, 20, "PNG", Qt::red), p1 = pictureBytes(100, 100, "BMP", Qt::blue);
        QVERIFY(makeBook(env.appDir(), path, {{0, p0}, {1, p1}}));
        // What a killed reader left is gone at the next start.
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 dead = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString left = env.appDir() + QStringLiteral("/.read.tmp.%1.next").arg(dead);
        QVERIFY(putFile(left));
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
        // Staged bytes that differ, or staged for another page, are not used.
        session.stagePage(1, "stale bytes");
        QVERIFY(session.extractPage(1).written);
        QCOMPARE(fileBytes(session.readTmpPath()), p1);
        session.stagePage(0, p0);
        QVERIFY(session.extractPage(1).written);
        QCOMPARE(fileBytes(session.readTmpPath()), p1);
        // Bytes as long as the page's that differ in the last one only, staged
        // or handed in, are not taken for it either.
        QByteArray near = p1;
        near.back() = char(near.back() ^ 1);
        session.stagePage(1, near);
        QCOMPARE(session.extractPage(1).bytes, p1);
        QCOMPARE(fileBytes(session.readTmpPath()), p1);
        QCOMPARE(session.extractPage(1, near).bytes, p1);
        QCOMPARE(session.readPageBytes(1, near).value(), p1);
        // Closing leaves read.tmp and nothing else; nothing is staged without a book.
        session.stagePage(0, p0);
        session.close();
        QVERIFY(!QFileInfo::exists(session.stagedPath()));
        QCOMPARE(fileBytes(session.readTmpPath()), p1);
        session.stagePage(0, p0);
        QVERIFY(!QFileInfo::exists(session.stagedPath()));
        QVERIFY(!entries(env.appDir()).join(' ').contains(".read.tmp"));
    }

    // Making a book: what is stored, in what order, and that a write that
    // fails or is refused leaves the folder as it found it.
    void init()
    {
        // Each case in a folder of its own, so a stray file is seen.
        m_dir = env.path(QStringLiteral("case%1").arg(++m_round));
        QVERIFY(QDir().mkpath(m_dir));
    }

    void roundTrip()
    {
        // Given out of name order: the book keeps the order given.
        QVERIFY(putFile(env.path(QStringLiteral("d.empty"))));
        const QStringList pictures = {picture(QStringLiteral("c.png"), "PNG", 30),
                                      picture(QStringLiteral("a.jpg"), "JPEG", 64), env.path(QStringLiteral("d.empty")),
                                      picture(QStringLiteral("b.bmp"), "BMP", 20)};
        book::BookMeta meta;
        meta.title = QStringLiteral("小英雄'雨来'");
        meta.summary = QStringLiteral("''); Drop Table pages; --");
        meta.drawer = QStringLiteral("O'Hara");
        meta.url = QStringLiteral("http://127.0.0.1/?a='b'");
        // The maker stores no address (the downloader's test has one stored).
        const QString target = m_dir + QStringLiteral("/written.lhh");
        const db::Error e = book::writeBook(templatePath(), target, meta, pictures);
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
        QCOMPARE((QStringList{stored.title, stored.summary, stored.drawer, stored.url}),
                 (QStringList{meta.title, meta.summary, meta.drawer, QString()}));
        QVector<qint32> numbers;
        QVERIFY(!book::readPageNumbers(book, &numbers));
        QCOMPARE(numbers, (QVector<qint32>{0, 1, 2, 3}));
        for (int i = 0; i < pictures.size(); ++i) {
            const book::PageRead page = book::readPage(book, i);
            QVERIFY(page.found && !page.isNull);
            QCOMPARE(page.bytes, fileBytes(pictures.at(i)));
        }
    }

    void failureLeavesTheFolderAsItWas()
    {
        const QString good = picture(QStringLiteral("good.png"), "PNG", 40);
        const QString gone = env.path(QStringLiteral("no such picture.png"));
        for (bool existing : {false, true}) {
            for (const QString failure : {"unreadable picture", "abandoned", "no template"}) {
                init(); // a folder of its own
                const QString target = m_dir + QStringLiteral("/book.lhh");
                if (existing)
                    QVERIFY(makeSimpleBook(env.appDir(), target, 2));
                const QStringList before = folder();
                const QByteArray hash = existing ? fileHash(target) : QByteArray();
                {
                    const bool noTemplate = failure == "no template";
                    const QString from = noTemplate ? env.path(QStringLiteral("nothing.tmp!")) : templatePath();
                    book::BookWriter writer(from, target);
                    const db::Error begun = writer.begin({});
                    QCOMPARE(bool(begun), noTemplate);
                    if (!begun) {
                        QVERIFY(!writer.addPageFile(good));
                        QCOMPARE(folder().size(), before.size() + 1); // the hidden file being built
                    }
                    if (failure == "unreadable picture") {
                        const db::Error e = writer.addPageFile(gone);
                        QVERIFY2(e && e.message.contains(gone), qPrintable(e.message));
                        // Nothing more goes in, and nothing is committed.
                        QVERIFY(writer.addPageFile(good));
                        QVERIFY(writer.commit());
                        QVERIFY(writer.temporaryPath().isEmpty());
                    }
                }
                QVERIFY2(folder() == before, qPrintable(failure));
                if (existing)
                    QCOMPARE(fileHash(target), hash);
            }
        }
    }

    void writingBesideOpenFiles()
    {
        // The maker writes while a book is open in the program.
        const QString reading = m_dir + QStringLiteral("/reading.lhh");
        QVERIFY(makeSimpleBook(env.appDir(), reading, 2));
        const QByteArray readingHash = fileHash(reading);
        db::Connection bookConn;
        QVERIFY(!bookConn.open(reading, db::Access::ReadOnly));
        const QString page = picture(QStringLiteral("page.png"), "PNG", 40);

        // The open book is not replaced: refused at once.
        QCOMPARE(book::writeBook(templatePath(), reading, {}, {page}).code, int(db::Held));
        // A book that is not open is replaced, and the new one keeps the permissions the old one was given.
        const QString target = m_dir + QStringLiteral("/old.lhh");
        QVERIFY(makeSimpleBook(env.appDir(), target, 5));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFileDevice::Permissions mode = QFileInfo(target).permissions();
        QVERIFY(!book::writeBook(templatePath(), target, {}, {page}));
        QCOMPARE(QFileInfo(target).permissions(), mode);
        QVector<qint32> numbers;
        {
            db::Connection book;
            QVERIFY(!book.open(target, db::Access::ReadOnly));
            QVERIFY(!book::readPageNumbers(book, &numbers));
            QCOMPARE(numbers, QVector<qint32>{0});
        }
        const QByteArray replaced = fileHash(target);
        {
            // Opened while its replacement is being made: the commit is refused.
            book::BookWriter writer(templatePath(), target);
            QVERIFY(!writer.begin({}));
            QVERIFY(!writer.addPageFile(page));
            db::Connection reader;
            QVERIFY(!reader.open(target, db::Access::ReadOnly));
            QCOMPARE(writer.commit().code, int(db::Held));
        }
        QCOMPARE(fileHash(target), replaced);
        QCOMPARE(fileHash(reading), readingHash);
        QCOMPARE(folder(), (QStringList{QStringLiteral("old.lhh"), QStringLiteral("reading.lhh")}));

        // The open book still reads.
        QVERIFY(!book::readPageNumbers(bookConn, &numbers));
        QCOMPARE(numbers.size(), 2);
    }

private:
    TestEnv env;
    QString templatePath() const { return env.appDir() + QStringLiteral("/Korvel.tmp!"); }
    QStringList folder() const { return QDir(m_dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QString picture(const QString &name, const char *format, int width)
    {
        putFile(env.path(name), pictureBytes(width, 48, format));
        return env.path(name);
    }

    QString m_dir;
    int m_round = 0;
};

QTEST_MAIN(DatabaseTest)
#include "tst_database.moc"
