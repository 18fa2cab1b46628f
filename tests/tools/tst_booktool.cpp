#include "book/BookReader.h"
#include "db/Connection.h"
#include "tests/archive/ArchiveMaker.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kTool = QStringLiteral("korvel-lhh");
const QString kThumbnailer = QStringLiteral("korvel-thumbnailer");

// One run of a program of the application folder, without a terminal, with
// its output kept. The programs need no display.
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QString &program, const QStringList &args, const QString &workDir = QString(), int timeoutMs = 120000)
{
    QProcess p;
    p.setProgram(QStringLiteral(KORVEL_BUILD_APP_DIR "/") + program);
    p.setArguments(args);
    p.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.start();
    ToolRun r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The pages of a book as its reader reads them.
QList<QByteArray> bookPages(const QString &path, book::BookMeta *meta = nullptr)
{
    db::Connection c;
    if (c.open(path, db::Access::ReadOnly))
        return {};
    QVector<qint32> numbers;
    book::readPageNumbers(c, &numbers);
    QList<QByteArray> pages;
    for (qint32 n : numbers)
        pages << book::readPage(c, n).bytes;
    if (meta)
        *meta = book::readBookMeta(c);
    return pages;
}

// Everything in folder, hidden files included.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class BookToolTest : public QObject {
    Q_OBJECT
private slots:
    // First: it reads the peak of every child run so far.
    void memoryStaysBounded()
    {
        QVERIFY(childrenPeakMegabytes() < 300);
        TestEnv env;
        // Headers claiming 16000 x 16000 pixels over a few hundred bytes.
        QList<TestPage> pages;
        for (const char *f : {"JPEG", "BMP", "PNG", "GIF", "TIFF"}) {
            const QByteArray bytes = claimingPicture(f, 16000, 16000);
            pages.append({qint32(pages.size()), bytes});
            const QString single = env.path(QStringLiteral("%1.lhh").arg(f));
            QVERIFY(makeBook(env.appDir(), single, {{0, bytes}}));
            QVERIFY2(runTool(kThumbnailer, {"-s", "256", single, env.path("t.png")}).exitCode == 1, f);
            QVERIFY2(childrenPeakMegabytes() < 300, qPrintable(QStringLiteral("%1: %2 MB").arg(f).arg(childrenPeakMegabytes())));
        }
        QVERIFY(makeBook(env.appDir(), env.path("huge.lhh"), pages));
        ToolRun r = runTool(kTool, {"verify", env.path("huge.lhh")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.contains("5 of 5 pages damaged"), qPrintable(r.out));
        QVERIFY2(r.out.contains("page 0 (stored number 0): 16000x16000 pixels"), qPrintable(r.out));
        QVERIFY2(childrenPeakMegabytes() < 300, qPrintable(QStringLiteral("verify: %1 MB").arg(childrenPeakMegabytes())));

        // Eight pages of 40 MB each (mostly zeros, 40 KB each in the archive).
        QList<ArchiveEntry> entries;
        for (int i = 0; i < 8; ++i)
            entries.append({QStringLiteral("p%1.png").arg(8 - i), pngHeadedZeros(64), 40 << 20});
        QVERIFY(writeArchive(env.path("bomb.cbz"), "zip", entries));
        r = runTool(kTool, {"from-archive", env.path("bomb.cbz"), "-o", env.path("bomb.lhh")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(childrenPeakMegabytes() < 300, qPrintable(QStringLiteral("from-archive: %1 MB").arg(childrenPeakMegabytes())));
        QVERIFY(runTool(kTool, {"info", env.path("bomb.lhh")}).out.contains("pages: 8\n"));
    }

    void verifyAndPagesThatAreNoPictures()
    {
        TestEnv env;
        const QString sound = env.path("sound.lhh"), damaged = env.path("damaged.lhh");
        const QByteArray jpeg = pictureBytes(200, 300, "JPEG");
        QVERIFY(makeSimpleBook(env.appDir(), sound, 3, 300, 400, "JPEG"));
        QVERIFY(makeBook(env.appDir(), damaged, {{0, pictureBytes(50, 50, "JPEG")}, {1, jpeg.left(jpeg.size() / 2)}, {2, QByteArray("not a picture")}, {3, std::nullopt}, {5, pictureBytes(50, 50, "PNG")}}));
        ToolRun r = runTool(kTool, {"verify", sound});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("3 pages, all sound"));
        r = runTool(kTool, {"verify", sound, damaged, env.path("missing.lhh")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.contains("damaged.lhh: page 1 (stored number 1): damaged"), qPrintable(r.out));
        QVERIFY(r.out.contains("damaged.lhh: page 2 (stored number 2): not a picture"));
        QVERIFY(r.out.contains("damaged.lhh: page 3 (stored number 3): has no picture"));
        QVERIFY(!r.out.contains("page 0 ") && !r.out.contains("page 4 "));
        QVERIFY(r.out.contains("damaged.lhh: 3 of 5 pages damaged"));
        QVERIFY(r.err.contains("missing.lhh: no such file"));

        // A page that names a pipe made every command wait for it for ever.
        const QString fifo = env.path("fifo"), local = env.path("secret.png");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(putFile(local, pictureBytes(64, 64, "PNG")));
        QVERIFY(makeBook(env.appDir(), env.path("svg.lhh"),
                         {{0, svgReading(fifo)}, {1, svgReading(local)}, {2, pictureBytes(20, 20, "PNG")}}));
        r = runTool(kTool, {"pages", env.path("svg.lhh")}, {}, 20000);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("0\t0\tunknown") && r.out.contains("1\t1\tunknown"), qPrintable(r.out));
        r = runTool(kTool, {"verify", env.path("svg.lhh")}, {}, 20000);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.out.contains("page 1 (stored number 1): not a picture"), qPrintable(r.out));
        QVERIFY(r.out.contains("2 of 3 pages damaged"));
        r = runTool(kTool, {"extract", env.path("svg.lhh"), env.path("out")}, {}, 20000);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(entries(env.path("out")), (QStringList{"0.bin", "1.bin", "2.png"}));
        QCOMPARE(runTool(kThumbnailer, {"-s", "64", env.path("svg.lhh"), env.path("t.png")}, {}, 20000).exitCode, 1);
    }

    void infoExtractAndLinks()
    {
        TestEnv env;
        const QString book = env.path("雨来 O'Neil.lhh");
        const QByteArray jpg = pictureBytes(40, 60, "JPEG"), png = pictureBytes(30, 20, "PNG");
        QVERIFY(makeBook(env.appDir(), book, {{3, jpg}, {7, png}, {9, std::nullopt}, {12, pictureBytes(10, 10, "BMP")}}));
        ToolRun r = runTool(kTool, {"info", book});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("pages: 4\n"));
        const QString inner = env.path("pages/inner");
        r = runTool(kTool, {"extract", book, inner});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(entries(inner), (QStringList{"0.jpg", "1.png", "3.bmp"}));
        QCOMPARE(fileBytes(inner + "/1.png"), png);
        QVERIFY(r.err.contains("page 2 has no picture"));
        // Into a file that is not a folder: refused, nothing written.
        QVERIFY(putFile(env.path("plain"), "x"));
        QCOMPARE(runTool(kTool, {"extract", book, env.path("plain")}).exitCode, 1);
        QCOMPARE(fileBytes(env.path("plain")), QByteArray("x"));

        // Without -f an existing name, a link included, is refused.
        const QString out = env.path("out"), outside = env.path("outside.txt");
        QDir().mkpath(out);
        QVERIFY(putFile(outside, "precious"));
        QVERIFY(QFile::link(outside, out + "/0.jpg"));
        QVERIFY(putFile(out + "/1.png", "mine"));
        r = runTool(kTool, {"extract", book, out});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains("0.jpg: already there; -f replaces it"), qPrintable(r.err));
        QCOMPARE(fileBytes(outside), QByteArray("precious"));
        QCOMPARE(fileBytes(out + "/1.png"), QByteArray("mine"));
        // With -f the names themselves are replaced; the link's target stays.
        QCOMPARE(runTool(kTool, {"extract", "-f", book, out}).exitCode, 0);
        QVERIFY(!QFileInfo(out + "/0.jpg").isSymLink());
        QCOMPARE(fileBytes(out + "/0.jpg"), jpg);
        QCOMPARE(fileBytes(out + "/1.png"), png);
        // The same for a book or an archive written over a link, dangling or not.
        QVERIFY(QFile::link(outside, env.path("link.cbz")));
        QVERIFY(QFile::link(env.path("nowhere"), env.path("dangling.lhh")));
        QCOMPARE(runTool(kTool, {"make", "-o", env.path("dangling.lhh"), out + "/1.png"}).exitCode, 1);
        QVERIFY(!QFileInfo::exists(env.path("nowhere")));
        QCOMPARE(runTool(kTool, {"to-cbz", book, "-o", env.path("link.cbz")}).exitCode, 1);
        QCOMPARE(runTool(kTool, {"to-cbz", book, "-f", "-o", env.path("link.cbz")}).exitCode, 0);
        QVERIFY(!QFileInfo(env.path("link.cbz")).isSymLink());
        QCOMPARE(fileBytes(outside), QByteArray("precious"));
    }

    void fullDiskIsNamed()
    {
        TestEnv env;
        QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), 4, 300, 300, "BMP"));
        // A file system of 64 KB of its own, where the pages do not fit.
        QDir().mkpath(env.path("small"));
        QProcess p;
        p.start(QStringLiteral("unshare"),
                {"-rm", "sh", "-c",
                 QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" && exec \"$2\" extract \"$3\" \"$1\""), "sh",
                 env.path("small"), QStringLiteral(KORVEL_BUILD_APP_DIR "/korvel-lhh"), env.path("b.lhh")});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (err.contains("unshare") || err.contains("mount"))
            QSKIP("no file system of our own can be mounted here");
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(err.contains(QRegularExpression("small/[0-9]\\.bmp: cannot be written: the disk is full")), qPrintable(err));
    }

    void leftoversAndLongNames()
    {
        TestEnv env;
        // What killed writers left: gone once their process is; a running one's stays.
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted());
        const qint64 dead = gone.processId();
        QVERIFY(gone.waitForFinished());
        const QString pic = env.path("p.png");
        QVERIFY(putFile(pic, pictureBytes(20, 20, "PNG")));
        const QStringList left = {QStringLiteral(".korvel.%1.abcDEF.part").arg(dead), QStringLiteral(".read.tmp.%1.next").arg(dead)};
        const QString alive = QStringLiteral(".korvel.%1.abcDEF.part").arg(QCoreApplication::applicationPid());
        for (const QString &name : left + QStringList{alive})
            QVERIFY(putFile(env.path(name), "half a book"));
        // A name of 251 bytes: 82 Chinese characters and "x.lhh".
        const QString longName = QString(82, QChar(0x4E66)) + QStringLiteral("x.lhh");
        const ToolRun r = runTool(kTool, {"make", "-o", env.path(longName), pic});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(QFileInfo::exists(env.path(longName)));
        for (const QString &name : left)
            QVERIFY2(!QFileInfo::exists(env.path(name)), qPrintable(name));
        QVERIFY(QFileInfo::exists(env.path(alive)));
    }

    void wrongCommandLines()
    {
        // A wrong command line ends with 2 and a pointer to the usage; nothing is written.
        TestEnv env;
        QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), 1));
        const QList<QStringList> lines = {
            {kTool},
            {kTool, "bogus"},
            {kTool, "info", "b.lhh", "b.lhh"},
            {kTool, "make", "a.jpg"},
            {kTool, "make", "-o", "t.lhh", "--colour", "red", "a.jpg"},
            {kTool, "info", "--title", "t", "b.lhh"},
            {kThumbnailer, "b.lhh", "t.png"},
            {kThumbnailer, "-s", "0", "b.lhh", "t.png"},
            {kThumbnailer, "-s", "100000", "b.lhh", "t.png"},
            {kThumbnailer, "-s", "128", "b.lhh"},
        };
        for (const QStringList &line : lines) {
            const ToolRun r = runTool(line.first(), line.mid(1), env.path(QString()));
            QVERIFY2(r.exitCode == 2, qPrintable(line.join(' ')));
            QVERIFY2(r.err.contains(line.first()), qPrintable(r.err));
        }
        QCOMPARE(entries(env.path(QString())), (QStringList{"app", "b.lhh", "config", "data"}));
    }

    void heldAndDamagedBooks()
    {
        TestEnv env;
        const QString held = env.path("held.lhh"), foreign = env.path("foreign.lhh"), folder = env.path("folder.lhh");
        QVERIFY(makeSimpleBook(env.appDir(), held, 2));
        db::Connection holder;
        QVERIFY(!holder.open(held, db::Access::ReadOnly));
        QVERIFY(putFile(foreign, QByteArray(3000, 'z')));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray small = pictureBytes(10, 10, "PNG");
        QVERIFY(makeBook(env.appDir(), env.path("cut.lhh"), {{0, pictureBytes(300, 400, "JPEG").left(900)}, {1, small}}));
        QVERIFY(makeBook(env.appDir(), env.path("null.lhh"), {{0, std::nullopt}, {1, small}}));
        QVERIFY(makeBook(env.appDir(), env.path("empty.lhh"), {}));
        QVERIFY(makeSimpleBook(env.appDir(), env.path("good.lhh"), 2));
        const QByteArray heldHash = fileHash(held), foreignHash = fileHash(foreign);
        const QStringList before = entries(env.path(QString()));
        const QList<std::pair<QString, QString>> books = {
            {held, "open in Korvel"}, {foreign, "damaged or not a book"}, {folder, "not a file"}};
        for (const auto &[book, message] : books) {
            for (const QStringList &args : {QStringList{"info", book}, QStringList{"pages", book},
                                            QStringList{"extract", book, env.path("x")}, QStringList{"verify", book},
                                            QStringList{"to-cbz", book, "-o", env.path("b.cbz")}}) {
                const ToolRun r = runTool(kTool, args);
                QCOMPARE(r.exitCode, 1);
                QVERIFY2(r.err.contains(message), qPrintable(r.err));
            }
        }
        // No cover of a held book, of one whose first page is cut off or null or
        // missing, nor into a missing folder.
        for (const QString name : {"held", "cut", "null", "empty", "good"}) {
            const QString out = env.path(name == "good" ? "nowhere/thumb.png" : "thumb.png");
            const ToolRun r = runTool(kThumbnailer, {"-s", "256", env.path(name + ".lhh"), out});
            QVERIFY2(r.exitCode == 1, qPrintable(name));
            QVERIFY(r.err.startsWith("korvel-thumbnailer: "));
        }
        QCOMPARE(entries(env.path(QString())), before);
        QCOMPARE(fileHash(held), heldHash);
        QCOMPARE(fileHash(foreign), foreignHash);
    }

    void makeFromFolderPicturesOrNothing()
    {
        TestEnv env;
        const QString scans = env.path("扫描 scans");
        QVERIFY(QDir().mkpath(scans + "/sub.jpg"));
        const QByteArray p1 = pictureBytes(40, 60, "JPEG", Qt::red), p2 = pictureBytes(40, 60, "PNG", Qt::green),
                         p10 = pictureBytes(40, 60, "BMP", Qt::blue);
        QVERIFY(putFile(scans + "/p10.bmp", p10));
        QVERIFY(putFile(scans + "/p2.png", p2));
        QVERIFY(putFile(scans + "/P1.JPG", p1));
        QVERIFY(putFile(scans + "/notes.txt", "not a page"));
        const QString book = env.path("made.lhh");
        ToolRun r = runTool(kTool, {"make", "-o", book, "--writer", "管桦", "--summary=it's \"quoted\"", scans});
        QCOMPARE(r.exitCode, 0);
        book::BookMeta meta;
        QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{p1, p2, p10}));
        QCOMPARE((QStringList{meta.title, meta.writer, meta.summary}), (QStringList{"made", "管桦", "it's \"quoted\""}));
        // Pictures named one by one keep the order given; -f replaces the book.
        r = runTool(kTool, {"make", "-f", "-o", book, "--title", "第二版", scans + "/p10.bmp", scans + "/P1.JPG"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{p10, p1}));
        QCOMPARE(meta.title, QStringLiteral("第二版"));
        QCOMPARE(entries(env.path(QString())).filter(".part").size(), 0);

        // Refusals: each names what is wrong and nothing is written.
        const QString good = env.path("good.png"), fake = env.path("fake.jpg"), mine = env.path("mine.lhh");
        QVERIFY(putFile(good, pictureBytes(20, 20, "PNG")));
        QVERIFY(putFile(fake, "text"));
        QVERIFY(putFile(mine, "the user's own file"));
        QVERIFY(QDir().mkpath(env.path("empty")));
        QVERIFY(QDir().mkpath(env.path("folder.lhh")));
        const QByteArray hash = fileHash(mine);
        const QStringList before = entries(env.path(QString()));
        // Each: the message, the target, the sources.
        const QList<QStringList> cases = {
            {"already there", mine, good},
            {"not a picture", env.path("out.lhh"), good, fake},
            {"holds no pictures", env.path("out.lhh"), env.path("empty")},
            {"does not exist", env.path("nowhere/out.lhh"), good},
            {"a folder, not a file", env.path("folder.lhh"), good},
        };
        for (const QStringList &c : cases) {
            const ToolRun r = runTool(kTool, QStringList{"make", "-o", c.at(1)} + c.mid(2));
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(c.first()), qPrintable(r.err));
        }
        QCOMPARE(entries(env.path(QString())), before);
        QCOMPARE(fileHash(mine), hash);
    }

    void archivesBothWaysAndBadOnes()
    {
        TestEnv env;
        const QString comic = env.path("雨来.cbr");
        const QByteArray a = pictureBytes(40, 60, "JPEG", Qt::red), b = pictureBytes(30, 30, "BMP", Qt::green);
        const QByteArray info = "<ComicInfo><Title>O'Neil</Title><Writer>管桦</Writer><Penciller>陈</Penciller></ComicInfo>";
        QVERIFY(writeArchive(comic, "zip", {{"p10.bmp", b, 0}, {"ComicInfo.xml", info, 0}, {"p9.jpg", a, 0}, {"../evil.jpg", a, 0}}));
        const QString book = env.path("b.lhh");
        ToolRun r = runTool(kTool, {"from-archive", comic, "-o", book, "--writer", "另一位"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.err.contains("../evil.jpg"));
        QVERIFY(!QFileInfo::exists(env.path("evil.jpg")));
        book::BookMeta meta;
        QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{a, b}));
        QCOMPARE((QStringList{meta.title, meta.writer, meta.drawer}), (QStringList{"O'Neil", "另一位", "陈"}));

        // Back to an archive: one there already stays unless -f is given; the book never replaces itself.
        QCOMPARE(runTool(kTool, {"to-cbz", book, "-o", env.path("back.cbz")}).exitCode, 0);
        const QByteArray hash = fileHash(env.path("back.cbz"));
        QCOMPARE(runTool(kTool, {"to-cbz", book, "-o", env.path("back.cbz")}).exitCode, 1);
        QCOMPARE(fileHash(env.path("back.cbz")), hash);
        QCOMPARE(runTool(kTool, {"to-cbz", book, "-f", "-o", book}).exitCode, 1);
        QCOMPARE(bookPages(book).size(), 2);

        // Without ComicInfo.xml the title is the archive's name.
        QVERIFY(writeArchive(comic, "7zip", {{"1.jpg", a, 0}}));
        QCOMPARE(runTool(kTool, {"from-archive", comic, "-o", book, "-f"}).exitCode, 0);
        QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{a}));
        QCOMPARE(meta.title, QStringLiteral("雨来"));

        // A damaged or missing archive: refused, no book begun.
        QVERIFY(QDir().mkpath(env.path("in")) && QDir().mkpath(env.path("out")));
        const QString damaged = env.path("in/damaged.cbz");
        QVERIFY(writeArchive(damaged, "zip", {{"1.jpg", a, 0}, {"2.jpg", pictureBytes(300, 300, "PNG"), 0}}));
        QVERIFY(QFile::resize(damaged, QFileInfo(damaged).size() * 2 / 3));
        const QList<std::pair<QString, QString>> cases = {{"damaged", "damaged or not a comic archive"}, {"missing", "cannot be read"}};
        for (const auto &[name, message] : cases) {
            const QString path = env.path("in/" + name + ".cbz");
            const ToolRun run = runTool(kTool, {"from-archive", path, "-o", env.path("out/b.lhh")}, env.path("in"));
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(message), qPrintable(name + ": " + run.err));
        }
        QCOMPARE(entries(env.path("out")), QStringList{});
        QCOMPARE(entries(env.path("in")), QStringList{"damaged.cbz"});
    }

    void coverOfTheFirstPage()
    {
        TestEnv env;
        QVERIFY(QDir().mkpath(env.path("书")));
        const QString book = env.path("书/雨来 it's.lhh");
        // A tall page to 128 high; a small one is not enlarged.
        for (const auto &[size, page, expected] : {std::tuple{128, QSize(300, 400), QSize(96, 128)}, {256, QSize(50, 40), QSize(50, 40)}}) {
            // The first page is the lowest number, wherever it is stored.
            QVERIFY(makeBook(env.appDir(), book, {{9, pictureBytes(10, 10, "PNG")}, {4, pictureBytes(page.width(), page.height(), "JPEG", Qt::blue)}, {6, QByteArray("not a picture")}}));
            const QByteArray before = fileHash(book);
            const QString out = env.path("thumb.png");
            QCOMPARE(runTool(kThumbnailer, {"-s", QString::number(size), book, out}).exitCode, 0);
            const QImage thumb(out, "PNG");
            QCOMPARE(thumb.size(), expected);
            const QColor centre = thumb.pixelColor(thumb.width() / 2, thumb.height() / 4);
            QVERIFY(centre.blue() > 150 && centre.red() < 100);
            // Read only: the book and its folder stay exactly as they were.
            QCOMPARE(fileHash(book), before);
            QCOMPARE(entries(env.path("书")), QStringList{"雨来 it's.lhh"});
            QVERIFY(QFile::remove(book) && QFile::remove(out));
        }
    }

    // Books named in GBK, as on a disk from Windows, given by their bytes as a
    // file manager or a shell gives them: both tools open the one named, though
    // the toolkit would read both names as the same six U+FFFD.
    void namesFromWindowsOpen()
    {
        TestEnv env;
        const QByteArray root = QFile::encodeName(env.path(QString()));
        const QByteArray book = root + "\xc1\xac\xbb\xb7\xbb\xad.lhh"; // 连环画
        const QByteArray other = root + "\xc1\xad\xbb\xb8\xbb\xae.lhh"; // 镰桓划
        // The toolkit cannot remove what it cannot name: removed here.
        const auto cleanUp = qScopeGuard([&] {
            ::unlink(book.constData());
            ::unlink(other.constData());
        });
        for (int pages : {2, 3}) {
            QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), pages));
            if (::rename(QFile::encodeName(env.path("b.lhh")).constData(), (pages == 2 ? book : other).constData()) != 0)
                QSKIP("the file system refuses the name");
        }
        // The shell's printf makes the bytes; they reach the tools unchanged.
        QString octal;
        for (const char c : book.mid(root.size()))
            octal += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        const QString out = env.path("thumb.png");
        QProcess shell;
        shell.setWorkingDirectory(env.path(QString()));
        shell.start("/bin/sh", {"-c", QString(R"sh(b="$(printf '%1')"; "$0"korvel-thumbnailer -s 64 "$b" "$1" && "$0"korvel-lhh info "$b")sh").arg(octal),
                                QStringLiteral(KORVEL_BUILD_APP_DIR "/"), out});
        QVERIFY(shell.waitForFinished(60000));
        QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
        QCOMPARE(QImage(out).width(), 48);
        QVERIFY(QString::fromUtf8(shell.readAllStandardOutput()).contains("pages: 2\n"));
        QFile::remove(out);
        const QString address = "file://" + QString::fromLatin1(book.toPercentEncoding("/"));
        QCOMPARE(runTool(kThumbnailer, {"-s", "64", address, out}).exitCode, 0);
        QVERIFY(QFileInfo::exists(out));
    }

    // Every program of the application folder answers --help and --version at
    // once and does nothing else: no window, no server, no file written.
    void helpAndVersion()
    {
        QTemporaryDir work;
        for (const QString program : {"korvel", "korvel-lhh", "korvel-thumbnailer", "korvel-site"}) {
            for (const QString option : {"--help", "--version"}) {
                const ToolRun r = runTool(program, {option}, work.path(), 20000);
                QVERIFY2(r.exitCode == 0, qPrintable(program + " " + option));
                QVERIFY2(r.out.contains(program), qPrintable(r.out));
            }
        }
        QVERIFY(QDir(work.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(BookToolTest)

#include "tst_booktool.moc"
