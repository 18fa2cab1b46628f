#include "book/BookReader.h"
#include "book/BookWriter.h"
#include "db/Connection.h"
#include "tests/archive/ArchiveMaker.h"
#include "tests/support/TestEnv.h"
#include "tests/tools/ToolRun.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvel;
using namespace korvel::test;

namespace {

const QString kTool = QStringLiteral("korvel-lhh");
const QString kThumbnailer = QStringLiteral("korvel-thumbnailer");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
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

QByteArray cutJpeg()
{
    const QByteArray whole = pictureBytes(200, 300, "JPEG");
    return whole.left(whole.size() / 2);
}

} // namespace

class BookToolTest : public QObject {
    Q_OBJECT
private slots:
    // First: it reads the peak of every child run so far.
    void memoryStaysBounded();
    void onlyPicturesAreDecoded();
    void writesNeverGoThroughLinks();
    void fullDiskIsNamed();
    void leftoversAndLongNames();
    void wrongCommandLines_data();
    void wrongCommandLines();
    void infoPagesAndExtract();
    void heldAndDamagedBooks_data();
    void heldAndDamagedBooks();
    void makeFromFolderAndPictures();
    void makeRefusals_data();
    void makeRefusals();
    void archivesBothWays();
    void fromBadArchives_data();
    void fromBadArchives();
    void verify();
    // korvel-thumbnailer, and every program's --help and --version.
    void coverOfTheFirstPage_data();
    void coverOfTheFirstPage();
    void refusals_data();
    void refusals();
    void namesFromWindowsOpen();
    void helpAndVersion_data();
    void helpAndVersion();
};

void BookToolTest::memoryStaysBounded()
{
    QVERIFY(childrenPeakMegabytes() < 300);
    TestEnv env;
    // Headers claiming 16000 x 16000 pixels over a few hundred bytes.
    const char *formats[] = {"JPEG", "BMP", "PNG", "GIF", "TIFF"};
    QList<TestPage> pages;
    for (const char *f : formats) {
        const QByteArray bytes = claimingPicture(f, 16000, 16000);
        QVERIFY2(bytes.size() < 2000, f);
        pages.append({qint32(pages.size()), bytes});
        const QString single = env.path(QStringLiteral("%1.lhh").arg(f));
        QVERIFY(makeBook(env.appDir(), single, {{0, bytes}}));
        const ToolRun thumb = runTool(kThumbnailer, {"-s", "256", single, env.path("t.png")});
        QVERIFY2(thumb.exitCode == 1, f);
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
    QVERIFY(QFileInfo(env.path("bomb.cbz")).size() < 2 << 20);
    r = runTool(kTool, {"from-archive", env.path("bomb.cbz"), "-o", env.path("bomb.lhh")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(childrenPeakMegabytes() < 300, qPrintable(QStringLiteral("from-archive: %1 MB").arg(childrenPeakMegabytes())));
    db::Connection c;
    QVERIFY(!c.open(env.path("bomb.lhh"), db::Access::ReadOnly));
    QVector<qint32> numbers;
    QVERIFY(!book::readPageNumbers(c, &numbers));
    QCOMPARE(numbers.size(), 8);
    qInfo("the largest of these runs held %lld MB", childrenPeakMegabytes());
}

void BookToolTest::onlyPicturesAreDecoded()
{
    TestEnv env;
    const QString fifo = env.path("fifo"), local = env.path("secret.png");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    writeFile(local, pictureBytes(64, 64, "PNG"));
    QVERIFY(makeBook(env.appDir(), env.path("svg.lhh"),
                     {{0, svgReading(fifo)}, {1, svgReading(local)}, {2, pictureBytes(20, 20, "PNG")}}));
    QVERIFY(makeBook(env.appDir(), env.path("cover.lhh"), {{0, svgReading(fifo)}}));
    // A page that names a pipe made every command wait for it for ever.
    ToolRun r = runTool(kTool, {"pages", env.path("svg.lhh")}, {}, 20000);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("0\t0\tunknown") && r.out.contains("1\t1\tunknown"), qPrintable(r.out));
    r = runTool(kTool, {"verify", env.path("svg.lhh")}, {}, 20000);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.out.contains("page 1 (stored number 1): not a picture"), qPrintable(r.out));
    QVERIFY(r.out.contains("2 of 3 pages damaged"));
    r = runTool(kTool, {"extract", env.path("svg.lhh"), env.path("out")}, {}, 20000);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(entries(env.path("out")), (QStringList{"0.bin", "1.bin", "2.png"}));
    r = runTool(kThumbnailer, {"-s", "64", env.path("cover.lhh"), env.path("t.png")}, {}, 20000);
    QCOMPARE(r.exitCode, 1);
}

void BookToolTest::writesNeverGoThroughLinks()
{
    TestEnv env;
    const QByteArray a = pictureBytes(20, 20, "JPEG"), b = pictureBytes(20, 20, "PNG");
    QVERIFY(makeBook(env.appDir(), env.path("b.lhh"), {{0, a}, {1, b}}));
    const QString out = env.path("out"), outside = env.path("outside.txt");
    QDir().mkpath(out);
    writeFile(outside, "precious");
    QVERIFY(QFile::link(outside, out + "/0.jpg"));
    writeFile(out + "/1.png", "mine");
    // Without -f an existing name, a link included, is refused.
    ToolRun r = runTool(kTool, {"extract", env.path("b.lhh"), out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("0.jpg: already there; -f replaces it"), qPrintable(r.err));
    QCOMPARE(fileBytes(outside), QByteArray("precious"));
    QCOMPARE(fileBytes(out + "/1.png"), QByteArray("mine"));
    // With -f the names themselves are replaced; the link's target stays.
    r = runTool(kTool, {"extract", "-f", env.path("b.lhh"), out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(!QFileInfo(out + "/0.jpg").isSymLink());
    QCOMPARE(fileBytes(out + "/0.jpg"), a);
    QCOMPARE(fileBytes(out + "/1.png"), b);
    QCOMPARE(fileBytes(outside), QByteArray("precious"));
    // The same for a book or an archive written over a link, dangling or not.
    QVERIFY(QFile::link(outside, env.path("link.cbz")));
    QVERIFY(QFile::link(env.path("nowhere"), env.path("dangling.lhh")));
    QCOMPARE(runTool(kTool, {"make", "-o", env.path("dangling.lhh"), out + "/1.png"}).exitCode, 1);
    QVERIFY(!QFileInfo::exists(env.path("nowhere")));
    QCOMPARE(runTool(kTool, {"to-cbz", env.path("b.lhh"), "-o", env.path("link.cbz")}).exitCode, 1);
    QCOMPARE(runTool(kTool, {"to-cbz", env.path("b.lhh"), "-f", "-o", env.path("link.cbz")}).exitCode, 0);
    QVERIFY(!QFileInfo(env.path("link.cbz")).isSymLink());
    QCOMPARE(fileBytes(outside), QByteArray("precious"));
}

void BookToolTest::fullDiskIsNamed()
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

void BookToolTest::leftoversAndLongNames()
{
    TestEnv env;
    // What killed writers left: gone once their process is; a running one's stays.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 dead = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString pic = env.path("p.png");
    writeFile(pic, pictureBytes(20, 20, "PNG"));
    const QStringList left = {QStringLiteral(".korvel.%1.abcDEF.part").arg(dead), QStringLiteral(".read.tmp.%1.next").arg(dead)};
    const QString alive = QStringLiteral(".korvel.%1.abcDEF.part").arg(QCoreApplication::applicationPid());
    for (const QString &name : left + QStringList{alive})
        writeFile(env.path(name), "half a book");
    // A name of 250 bytes: 83 Chinese characters and ".lhh".
    const QString longName = QString(82, QChar(0x4E66)) + QStringLiteral("x.lhh");
    QCOMPARE(QFile::encodeName(longName).size(), 251);
    ToolRun r = runTool(kTool, {"make", "-o", env.path(longName), pic});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(QFileInfo::exists(env.path(longName)));
    for (const QString &name : left)
        QVERIFY2(!QFileInfo::exists(env.path(name)), qPrintable(name));
    QVERIFY(QFileInfo::exists(env.path(alive)));
}

void BookToolTest::wrongCommandLines_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << kTool << QStringList{};
    QTest::newRow("unknown command") << kTool << QStringList{"bogus"};
    QTest::newRow("info with two") << kTool << QStringList{"info", "b.lhh", "b.lhh"};
    QTest::newRow("make without -o") << kTool << QStringList{"make", "a.jpg"};
    QTest::newRow("unknown option") << kTool << QStringList{"make", "-o", "t.lhh", "--colour", "red", "a.jpg"};
    QTest::newRow("data for a reader") << kTool << QStringList{"info", "--title", "t", "b.lhh"};
    QTest::newRow("thumbnail, no size") << kThumbnailer << QStringList{"b.lhh", "t.png"};
    QTest::newRow("thumbnail, size zero") << kThumbnailer << QStringList{"-s", "0", "b.lhh", "t.png"};
    QTest::newRow("thumbnail, size too large") << kThumbnailer << QStringList{"-s", "100000", "b.lhh", "t.png"};
    QTest::newRow("thumbnail, no output") << kThumbnailer << QStringList{"-s", "128", "b.lhh"};
}

// A wrong command line ends with 2 and a pointer to the usage; nothing is written.
void BookToolTest::wrongCommandLines()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    TestEnv env;
    QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), 1));
    const ToolRun r = runTool(program, args, env.path(QString()));
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains(program));
    QCOMPARE(entries(env.path(QString())), (QStringList{"app", "b.lhh", "config", "data"}));
}

void BookToolTest::infoPagesAndExtract()
{
    TestEnv env;
    const QString book = env.path("雨来 O'Neil.lhh");
    const QByteArray jpg = pictureBytes(40, 60, "JPEG"), png = pictureBytes(30, 20, "PNG"),
                     bmp = pictureBytes(10, 10, "BMP");
    QVERIFY(makeBook(env.appDir(), book, {{3, jpg}, {7, png}, {9, std::nullopt}, {12, bmp}}));

    ToolRun r = runTool(kTool, {"info", book});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("pages: 4\n"));
    QVERIFY(r.out.contains("title: "));

    const QString out = env.path("pages/inner");
    r = runTool(kTool, {"extract", book, out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(entries(out), (QStringList{"0.jpg", "1.png", "3.bmp"}));
    QCOMPARE(fileBytes(out + "/1.png"), png);
    QVERIFY(r.err.contains("page 2 has no picture"));

    // Into a file that is not a folder: refused, nothing written.
    writeFile(env.path("plain"), "x");
    r = runTool(kTool, {"extract", book, env.path("plain")});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(fileBytes(env.path("plain")), QByteArray("x"));
}

void BookToolTest::heldAndDamagedBooks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("held") << "held" << "open in Korvel";
    QTest::newRow("not a book") << "foreign" << "damaged or not a book";
    QTest::newRow("a folder") << "folder" << "not a file";
}

void BookToolTest::heldAndDamagedBooks()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestEnv env;
    const QString book = env.path("b.lhh");
    db::Connection holder;
    if (kind == "held") {
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        QVERIFY(!holder.open(book, db::Access::ReadOnly));
    } else if (kind == "foreign") {
        writeFile(book, QByteArray(3000, 'z'));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(book));
    }
    const QByteArray before = QFileInfo(book).isFile() ? fileHash(book) : QByteArray();
    for (const QStringList &args : {QStringList{"info", book}, QStringList{"pages", book},
                                    QStringList{"extract", book, env.path("x")}, QStringList{"verify", book},
                                    QStringList{"to-cbz", book, "-o", env.path("b.cbz")}}) {
        const ToolRun r = runTool(kTool, args);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }
    QVERIFY(!QFileInfo::exists(env.path("b.cbz")));
    if (!before.isEmpty())
        QCOMPARE(fileHash(book), before);
}

void BookToolTest::makeFromFolderAndPictures()
{
    TestEnv env;
    const QString scans = env.path("扫描 scans");
    QVERIFY(QDir().mkpath(scans));
    const QByteArray p1 = pictureBytes(40, 60, "JPEG", Qt::red), p2 = pictureBytes(40, 60, "PNG", Qt::green),
                     p10 = pictureBytes(40, 60, "BMP", Qt::blue);
    writeFile(scans + "/p10.bmp", p10);
    writeFile(scans + "/p2.png", p2);
    writeFile(scans + "/P1.JPG", p1);
    writeFile(scans + "/notes.txt", "not a page");
    QVERIFY(QDir().mkpath(scans + "/sub.jpg"));

    const QString book = env.path("made.lhh");
    ToolRun r = runTool(kTool, {"make", "-o", book, "--writer", "管桦", "--summary=it's \"quoted\"", scans});
    QCOMPARE(r.exitCode, 0);
    book::BookMeta meta;
    QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{p1, p2, p10}));
    QCOMPARE(meta.title, QStringLiteral("made"));
    QCOMPARE(meta.writer, QStringLiteral("管桦"));
    QCOMPARE(meta.summary, QStringLiteral("it's \"quoted\""));

    // Pictures named one by one keep the order given; -f replaces the book.
    r = runTool(kTool, {"make", "-f", "-o", book, "--title", "第二版", scans + "/p10.bmp", scans + "/P1.JPG"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(bookPages(book, &meta), (QList<QByteArray>{p10, p1}));
    QCOMPARE(meta.title, QStringLiteral("第二版"));
    QCOMPARE(entries(env.path(QString())).filter(".part").size(), 0);
}

void BookToolTest::makeRefusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("target there, no -f") << "exists" << "already there";
    QTest::newRow("a picture that is not one") << "not a picture" << "not a picture";
    QTest::newRow("folder without pictures") << "empty folder" << "holds no pictures";
    QTest::newRow("folder of the target missing") << "no folder" << "does not exist";
    QTest::newRow("target is a folder") << "target folder" << "a folder, not a file";
}

void BookToolTest::makeRefusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestEnv env;
    const QString good = env.path("good.png");
    writeFile(good, pictureBytes(20, 20, "PNG"));
    QString target = env.path("out.lhh");
    QStringList sources{good};
    if (kind == "exists") {
        writeFile(target, "the user's own file");
    } else if (kind == "not a picture") {
        writeFile(env.path("fake.jpg"), "text");
        sources << env.path("fake.jpg");
    } else if (kind == "empty folder") {
        QVERIFY(QDir().mkpath(env.path("empty")));
        sources = {env.path("empty")};
    } else if (kind == "no folder") {
        target = env.path("nowhere/out.lhh");
    } else if (kind == "target folder") {
        QVERIFY(QDir().mkpath(target));
    }
    const QStringList before = entries(env.path(QString()));
    const QByteArray hash = QFileInfo(target).isFile() ? fileHash(target) : QByteArray();
    const ToolRun r = runTool(kTool, QStringList{"make", "-o", target} + sources);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(entries(env.path(QString())), before);
    if (!hash.isEmpty())
        QCOMPARE(fileHash(target), hash);
}

void BookToolTest::archivesBothWays()
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
}

void BookToolTest::fromBadArchives_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("damaged") << "damaged" << "damaged or not a comic archive";
    QTest::newRow("only names outside") << "outside" << "holds no pictures";
    QTest::newRow("missing") << "missing" << "cannot be read";
}

void BookToolTest::fromBadArchives()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    TestEnv env;
    const QString comic = env.path("in/c.cbz");
    QVERIFY(QDir().mkpath(env.path("in")));
    const QByteArray a = pictureBytes(40, 60, "JPEG");
    if (kind == "damaged") {
        QVERIFY(writeArchive(comic, "zip", {{"1.jpg", a, 0}, {"2.jpg", pictureBytes(300, 300, "PNG"), 0}}));
        QFile f(comic);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() * 2 / 3));
    } else if (kind == "outside") {
        QVERIFY(writeArchive(comic, "zip", {{"../../1.jpg", a, 0}, {"/abs/2.jpg", a, 0}}));
    }
    QVERIFY(QDir().mkpath(env.path("out")));
    const ToolRun run = runTool(kTool, {"from-archive", comic, "-o", env.path("out/b.lhh")}, env.path("in"));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(entries(env.path("out")), QStringList{});
    QCOMPARE(entries(env.path("in")), kind == "missing" ? QStringList{} : QStringList{"c.cbz"});
}

void BookToolTest::verify()
{
    TestEnv env;
    const QString sound = env.path("sound.lhh"), damaged = env.path("damaged.lhh");
    QVERIFY(makeSimpleBook(env.appDir(), sound, 3, 300, 400, "JPEG"));
    QVERIFY(makeBook(env.appDir(), damaged, {{0, pictureBytes(50, 50, "JPEG")}, {1, cutJpeg()}, {2, QByteArray("not a picture")}, {3, std::nullopt}, {5, pictureBytes(50, 50, "PNG")}}));
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
}

void BookToolTest::coverOfTheFirstPage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("page");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("tall page, 128") << 128 << QSize(300, 400) << QSize(96, 128);
    QTest::newRow("small page is not enlarged") << 256 << QSize(50, 40) << QSize(50, 40);
}

void BookToolTest::coverOfTheFirstPage()
{
    QFETCH(int, size);
    QFETCH(QSize, page);
    QFETCH(QSize, expected);
    TestEnv env;
    QVERIFY(QDir().mkpath(env.path("书")));
    const QString book = env.path("书/雨来 it's.lhh");
    // The first page is the lowest number, wherever it is stored.
    QVERIFY(makeBook(env.appDir(), book, {{9, pictureBytes(10, 10, "PNG")}, {4, pictureBytes(page.width(), page.height(), "JPEG", Qt::blue)}, {6, QByteArray("not a picture")}}));
    const QByteArray before = fileHash(book);
    const QString out = env.path("thumb.png");
    const ToolRun r = runTool(kThumbnailer, {"-s", QString::number(size), book, out});
    QCOMPARE(r.exitCode, 0);
    QImage thumb;
    QVERIFY(thumb.load(out, "PNG"));
    QCOMPARE(thumb.size(), expected);
    const QColor centre = thumb.pixelColor(thumb.width() / 2, thumb.height() / 4);
    QVERIFY(centre.blue() > 150 && centre.red() < 100);
    // Read only: the book and its folder stay exactly as they were.
    QCOMPARE(fileHash(book), before);
    QCOMPARE(entries(env.path("书")), QStringList{"雨来 it's.lhh"});
}

void BookToolTest::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("first page cut off") << "cut";
    QTest::newRow("first page null") << "null";
    QTest::newRow("no pages") << "no pages";
    QTest::newRow("held") << "held";
    QTest::newRow("output folder missing") << "no output folder";
}

void BookToolTest::refusals()
{
    QFETCH(QString, kind);
    TestEnv env;
    const QString book = env.path("b.lhh");
    QString out = env.path("thumb.png");
    const QByteArray cut = pictureBytes(300, 400, "JPEG").left(900);
    db::Connection holder;
    if (kind == "cut") {
        QVERIFY(makeBook(env.appDir(), book, {{0, cut}, {1, pictureBytes(10, 10, "PNG")}}));
    } else if (kind == "null") {
        QVERIFY(makeBook(env.appDir(), book, {{0, std::nullopt}, {1, pictureBytes(10, 10, "PNG")}}));
    } else if (kind == "no pages") {
        QVERIFY(makeBook(env.appDir(), book, {}));
    } else if (kind == "held") {
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        QVERIFY(!holder.open(book, db::Access::ReadOnly));
    } else if (kind == "no output folder") {
        QVERIFY(makeSimpleBook(env.appDir(), book, 2));
        out = env.path("nowhere/thumb.png");
    }
    const QStringList before = entries(env.path(QString()));
    const ToolRun r = runTool(kThumbnailer, {"-s", "256", book, out});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.err.startsWith("korvel-thumbnailer: "));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(entries(env.path(QString())), before);
}

// Books and their folder named in GBK, as on a disk from Windows, given by
// their bytes as a file manager or a shell gives them: both tools open the
// one named, though the toolkit would read both names as the same six
// U+FFFD.
void BookToolTest::namesFromWindowsOpen()
{
    TestEnv env;
    const QByteArray name("\xc1\xac\xbb\xb7\xbb\xad"); // 连环画
    const QByteArray other("\xc1\xad\xbb\xb8\xbb\xae"); // 镰桓划
    const QByteArray folder = QFile::encodeName(env.path(QString())) + name;
    const QByteArray book = folder + '/' + name + ".lhh";
    if (::mkdir(folder.constData(), 0700) != 0)
        QSKIP("the file system refuses the name");
    const auto cleanUp = qScopeGuard([&] {
        for (const QByteArray &file : {book, folder + '/' + other + ".lhh"})
            ::unlink(file.constData());
        ::rmdir(folder.constData());
    });
    for (int pages : {2, 3}) {
        QVERIFY(makeSimpleBook(env.appDir(), env.path("b.lhh"), pages));
        const QByteArray target = pages == 2 ? book : folder + '/' + other + ".lhh";
        QVERIFY(::rename(QFile::encodeName(env.path("b.lhh")).constData(), target.constData()) == 0);
    }
    // The shell's printf makes the bytes; they reach the tools unchanged.
    QString octal;
    for (const char c : book.mid(QFile::encodeName(env.path(QString())).size()))
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
void BookToolTest::helpAndVersion_data()
{
    QTest::addColumn<QString>("program");
    for (const char *p : {"korvel", "korvel-lhh", "korvel-thumbnailer", "korvel-site"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void BookToolTest::helpAndVersion()
{
    QFETCH(QString, program);
    QTemporaryDir work;
    for (const char *option : {"--help", "--version"}) {
        const ToolRun r = runTool(program, {QString::fromLatin1(option)}, work.path(), 20000);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(program), qPrintable(r.out));
    }
    QVERIFY(QDir(work.path()).isEmpty());
}

QTEST_GUILESS_MAIN(BookToolTest)

#include "tst_booktool.moc"
