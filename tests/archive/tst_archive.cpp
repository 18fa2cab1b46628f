#include "archive/ComicArchive.h"
#include "archive/ComicInfo.h"
#include "archive/NaturalOrder.h"
#include "archive/PictureSource.h"
#include "tests/archive/ArchiveMaker.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

#include <archive.h>

using namespace korvel;
using namespace korvel::test;

namespace {

QByteArray jpeg(int w = 40, int h = 60, QColor c = QColor(200, 80, 40))
{
    return pictureBytes(w, h, "JPEG", c);
}

QStringList pageNames(const archive::ComicBook &book)
{
    QStringList names;
    for (const archive::ArchivePage &p : book.pages)
        names << p.name;
    return names;
}

// Every file under folder, as paths relative to root.
QStringList filesUnder(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

class ArchiveTest : public QObject {
    Q_OBJECT
private slots:
    void naturalOrder_data();
    void naturalOrder();
    void comicInfo_data();
    void comicInfo();
    void comicInfoRoundTrip();

    void readsEveryFormat_data();
    void readsEveryFormat();
    void refusesBadArchives_data();
    void refusesBadArchives();
    void namesOutsideTheArchiveAreNeverTaken();
    void linksAreNeverFollowed();
    void largeEntriesAreNotInflated();

    void writesCbzUnchanged();
    void unwritableTargetLeavesNothing();
    void unpacksUnderGeneratedNames();
};

void ArchiveTest::naturalOrder_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("numbers by value") << "page2.jpg" << "page10.jpg" << -1;
    QTest::newRow("leading zeros count for nothing") << "p007" << "p8" << -1;
    QTest::newRow("equal values: told apart by text") << "p01" << "p1" << -1;
    QTest::newRow("case folded") << "A2" << "a10" << -1;
    QTest::newRow("prefix first") << "x" << "x1" << -1;
    QTest::newRow("huge numbers") << "p123456789012345678901" << "p99" << 1;
}

void ArchiveTest::naturalOrder()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int r = archive::naturalCompare(a, b);
    QCOMPARE((r > 0) - (r < 0), sign);
    const int back = archive::naturalCompare(b, a);
    QCOMPARE((back > 0) - (back < 0), -sign);
}

void ArchiveTest::comicInfo_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("drawer");
    QTest::addColumn<QString>("publishdate");
    QTest::newRow("full") << QByteArray("<ComicInfo><Title>小英雄</Title><Penciller>陈</Penciller><Artist>x</Artist><Year>1975</Year><Month>3</Month><Day>9</Day></ComicInfo>") << true << "小英雄" << "陈" << "1975-03-09";
    QTest::newRow("series and number, artist") << QByteArray("<ComicInfo><Series>西游记</Series><Number>2</Number><Artist>刘</Artist><Year>1980</Year><Month>13</Month></ComicInfo>") << true << "西游记 2" << "刘" << "1980";
    QTest::newRow("year not a number") << QByteArray("<ComicInfo><Title>t</Title><Year>then</Year></ComicInfo>") << true << "t" << "" << "";
    QTest::newRow("cut off keeps what was read") << QByteArray("<ComicInfo><Title>t</Title><Writer>w") << true << "t" << "" << "";
    QTest::newRow("another document") << QByteArray("<html><Title>t</Title></html>") << false << "" << "" << "";
    QTest::newRow("not xml") << QByteArray("\x89PNG") << false << "" << "" << "";
}

void ArchiveTest::comicInfo()
{
    QFETCH(QByteArray, xml);
    const book::BookMeta meta = archive::parseComicInfo(xml);
    QTEST(meta.found, "found");
    QTEST(meta.title, "title");
    QTEST(meta.drawer, "drawer");
    QTEST(meta.publishdate, "publishdate");
}

void ArchiveTest::comicInfoRoundTrip()
{
    book::BookMeta meta;
    meta.title = QStringLiteral("O'Neil <&> 小英雄");
    meta.summary = QStringLiteral("a \"quoted\" line\nand another");
    meta.writer = QStringLiteral("管桦");
    meta.sign = QStringLiteral("Korvel");
    meta.publisher = QStringLiteral("北方");
    meta.publishdate = QStringLiteral("1975年10月");
    meta.drawer = QStringLiteral("陈");
    meta.coverdrawer = QStringLiteral("林");
    meta.url = QStringLiteral("http://127.0.0.1/x?a=1&b=2");
    const QByteArray xml = archive::comicInfoXml(meta, 12);
    QVERIFY(xml.contains("<PageCount>12</PageCount>"));
    const book::BookMeta back = archive::parseComicInfo(xml);
    QVERIFY(back.found);
    QCOMPARE((QStringList{back.title, back.summary, back.writer, back.sign, back.publisher, back.drawer, back.coverdrawer, back.url}),
             (QStringList{meta.title, meta.summary, meta.writer, meta.sign, meta.publisher, meta.drawer, meta.coverdrawer, meta.url}));
    // The free-text date carries over as far as it reads as a date.
    QCOMPARE(back.publishdate, QStringLiteral("1975-10"));
}

void ArchiveTest::readsEveryFormat_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("cbz") << "book.cbz" << QByteArray("zip");
    QTest::newRow("cb7") << "book.cb7" << QByteArray("7zip");
    QTest::newRow("cbt") << "book.cbt" << QByteArray("pax");
    // Many .cbr files are zips in truth: the content decides.
    QTest::newRow("cbr holding a zip") << "book.cbr" << QByteArray("zip");
}

void ArchiveTest::readsEveryFormat()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, format);
    TestEnv env;
    const QString path = env.path(fileName);
    const QByteArray p1 = jpeg(40, 60, Qt::red), p2 = pictureBytes(30, 30, "PNG"), p10 = jpeg(50, 20, Qt::blue);
    QVERIFY(writeArchive(path, format.constData(), {{"pages/p10.jpg", p10, 0}, {"notes.txt", "not a page", 0}, {"pages/p2.PNG", p2, 0},
        {"ComicInfo.xml", "<ComicInfo><Title>雨来</Title><Writer>管桦</Writer></ComicInfo>", 0}, {"pages/p1.jpg", p1, 0}, {"__MACOSX/pages/._p1.jpg", "resource fork", 0}}));
    archive::ComicBook book;
    int reported = 0;
    QVERIFY(!archive::readComicArchive(path, &book, {}, [&](int n) { reported = n; }));
    QCOMPARE(pageNames(book), (QStringList{"pages/p1.jpg", "pages/p2.PNG", "pages/p10.jpg"}));
    QCOMPARE(book.pages.at(0).bytes, p1);
    QCOMPARE(book.pages.at(1).bytes, p2);
    QCOMPARE(book.pages.at(2).bytes, p10);
    QCOMPARE(book.pages.at(1).format, QByteArray("png"));
    QCOMPARE(reported, 3);
    QVERIFY(book.meta.found);
    QCOMPARE(book.meta.title, QStringLiteral("雨来"));
    QCOMPARE(book.meta.writer, QStringLiteral("管桦"));
    QVERIFY(book.skipped.contains("notes.txt"));
}

void ArchiveTest::refusesBadArchives_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expected");
    QTest::newRow("a folder") << "folder" << int(archive::ArchiveError::Unreadable);
    QTest::newRow("cut off") << "cut" << int(archive::ArchiveError::Damaged);
    QTest::newRow("zip signature, then noise") << "noise" << int(archive::ArchiveError::Damaged);
    QTest::newRow("empty file") << "empty file" << int(archive::ArchiveError::Empty);
    QTest::newRow("empty zip") << "empty zip" << int(archive::ArchiveError::Empty);
    QTest::newRow("no pictures") << "no pictures" << int(archive::ArchiveError::NoPictures);
    QTest::newRow("named a picture, is not one") << "fake picture" << int(archive::ArchiveError::BadPicture);
    QTest::newRow("encrypted") << "encrypted" << int(archive::ArchiveError::Encrypted);
    QTest::newRow("page over the limit") << "too large" << int(archive::ArchiveError::TooLarge);
}

void ArchiveTest::refusesBadArchives()
{
    QFETCH(QString, kind);
    QFETCH(int, expected);
    TestEnv env;
    const QString path = env.path("bad.cbz");
    archive::ArchiveLimits limits;
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "noise" || kind == "empty file") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kind == "noise" ? QByteArray("PK\x03\x04", 4) + QByteArray(4000, '\xFF') : QByteArray());
    } else if (kind == "cut") {
        QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(400, 400), 0}, {"2.jpg", jpeg(400, 400, Qt::green), 0}}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() / 2));
    } else if (kind == "empty zip") {
        QVERIFY(writeArchive(path, "zip", {}));
    } else if (kind == "no pictures") {
        QVERIFY(writeArchive(path, "zip", {{"readme.txt", "hello", 0}, {"ComicInfo.xml", "<ComicInfo/>", 0}}));
    } else if (kind == "fake picture") {
        QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}, {"2.jpg", "no picture here", 0}}));
    } else if (kind == "encrypted") {
        if (!writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}}, "secret"))
            QSKIP("this libarchive cannot write encrypted zips");
    } else if (kind == "too large") {
        QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}, {"2.jpg", jpeg(800, 800), 0}}));
        limits.maxPageBytes = jpeg().size() + 1;
    }
    archive::ComicBook book;
    book.skipped << "untouched";
    const archive::ArchiveError e = archive::readComicArchive(path, &book, limits);
    QCOMPARE(int(e.kind), expected);
    QCOMPARE(book.skipped, QStringList{"untouched"});
    if (kind == "fake picture")
        QCOMPARE(e.entry, QStringLiteral("2.jpg"));
}

void ArchiveTest::namesOutsideTheArchiveAreNeverTaken()
{
    QVERIFY(archive::isSafeEntryName("a/b/../c.jpg") == false);
    QVERIFY(archive::isSafeEntryName("a..b.jpg"));
    TestEnv env;
    const QString path = env.path("evil.cbz");
    QVERIFY(writeArchive(path, "zip", {{"../x.jpg", jpeg(), 0}, {"/tmp/abs.jpg", jpeg(), 0}, {"C:\\win.jpg", jpeg(), 0}, {"ok/..\\..\\y.jpg", jpeg(), 0}, {"good.jpg", jpeg(10, 10), 0}}));
    archive::ComicBook book;
    QVERIFY(!archive::readComicArchive(path, &book));
    QCOMPARE(pageNames(book), QStringList{"good.jpg"});
    QCOMPARE(book.unsafe.size(), 4);

    // Unpacked, only generated names appear, all inside the folder.
    const QString out = env.path("out/inner");
    QVERIFY(QDir().mkpath(out));
    QStringList files;
    QVERIFY(!archive::unpackComicArchive(path, out, &files));
    QCOMPARE(filesUnder(env.path("out")), QStringList{"inner/0001.jpg"});
    QVERIFY(!QFile::exists(env.path("x.jpg")));
    QVERIFY(!QFile::exists("/tmp/abs.jpg"));

    // Nothing but such names: no pictures at all.
    QVERIFY(writeArchive(path, "zip", {{"../x.jpg", jpeg(), 0}}));
    QCOMPARE(archive::readComicArchive(path, &book).kind, archive::ArchiveError::NoPictures);
}

void ArchiveTest::linksAreNeverFollowed()
{
    TestEnv env;
    const QString path = env.path("linked.cbt");
    QVERIFY(writeArchive(path, "pax", {{"1.jpg", jpeg(), 0}}, nullptr, {{"2.jpg", "1.jpg"}}));
    archive::ComicBook book;
    QVERIFY(!archive::readComicArchive(path, &book));
    QCOMPARE(pageNames(book), QStringList{"1.jpg"});
    QCOMPARE(book.skipped, QStringList{"2.jpg"});
}

void ArchiveTest::largeEntriesAreNotInflated()
{
    TestEnv env;
    const QString path = env.path("bomb.cbz");
    const qint64 gigabyte = qint64(1) << 30;
    QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}, {"payload.bin", {}, gigabyte}, {"2.jpg", jpeg(20, 20), 0}}));
    QVERIFY(QFileInfo(path).size() < gigabyte / 100);
    archive::ComicBook book;
    QVERIFY(!archive::readComicArchive(path, &book));
    QCOMPARE(book.pages.size(), 2);
    QVERIFY(book.skipped.contains("payload.bin"));
    QVERIFY2(book.bytesInflated < 1024 * 1024, QByteArray::number(book.bytesInflated));

    // Named as a page, the same entry is refused from its size alone.
    QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}, {"2.jpg", {}, gigabyte}}));
    const archive::ArchiveError e = archive::readComicArchive(path, &book);
    QCOMPARE(e.kind, archive::ArchiveError::TooLarge);
    QCOMPARE(e.entry, QStringLiteral("2.jpg"));
}

void ArchiveTest::writesCbzUnchanged()
{
    TestEnv env;
    const QVector<QByteArray> pages = {jpeg(), pictureBytes(20, 30, "PNG"), pictureBytes(20, 30, "TIFF"), pictureBytes(20, 30, "BMP")};
    book::BookMeta meta;
    meta.title = QStringLiteral("小英雄雨来");
    const QString path = env.path("out.cbz");
    int written = 0;
    QVERIFY(!archive::writeCbz(path, pages, meta, [&](int n) { written = n; }));
    QCOMPARE(written, 4);

    archive::ComicBook book;
    QVERIFY(!archive::readComicArchive(path, &book));
    QCOMPARE(pageNames(book), (QStringList{"0001.jpg", "0002.png", "0003.tif", "0004.bmp"}));
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(book.pages.at(i).bytes, pages.at(i));
    QCOMPARE(book.meta.title, meta.title);
    // Stored, not compressed: every page's bytes appear as they are in the file.
    const QByteArray file = fileBytes(path);
    for (const QByteArray &p : pages)
        QVERIFY(file.contains(p));
    QCOMPARE(filesUnder(env.path(QString())).filter(".part").size(), 0);
}

void ArchiveTest::unwritableTargetLeavesNothing()
{
    TestEnv env;
    QFile blocker(env.path("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(QDir().mkpath(env.path("dir.cbz")));
    const QStringList targets = {env.path("file/out.cbz"), env.path("missing/out.cbz"), env.path("dir.cbz")};
    const QStringList before = filesUnder(env.path(QString()));
    for (const QString &target : targets)
        QCOMPARE(archive::writeCbz(target, {jpeg()}, {}).kind, archive::ArchiveError::WriteFailed);
    QCOMPARE(filesUnder(env.path(QString())), before);
}

void ArchiveTest::unpacksUnderGeneratedNames()
{
    TestEnv env;
    const QString path = env.path("scans.cbt");
    QVERIFY(writeArchive(path, "pax", {{"b/10.png", pictureBytes(5, 5, "PNG"), 0}, {"b/9.jpg", jpeg(), 0}}));
    const QString out = env.path("out");
    QVERIFY(QDir().mkpath(out));
    QStringList files;
    QVERIFY(!archive::unpackComicArchive(path, out, &files));
    QCOMPARE(files, (QStringList{out + "/0001.jpg", out + "/0002.png"}));
    QCOMPARE(fileBytes(files.at(0)), jpeg());

    // Eight pages of 40 MB (mostly zeros): one page in memory at a time.
    QList<ArchiveEntry> entries;
    for (int i = 0; i < 8; ++i)
        entries.append({QStringLiteral("p%1.png").arg(8 - i), pngHeadedZeros(64), 40 << 20});
    QVERIFY(writeArchive(env.path("bomb.cbz"), "zip", entries));
    QVERIFY(QDir(out).removeRecursively() && QDir().mkpath(out));
    resetPeak();
    const qint64 before = peakMegabytes();
    QVERIFY(!archive::unpackComicArchive(env.path("bomb.cbz"), out, &files));
    QVERIFY2(peakMegabytes() - before < 160, qPrintable(QString::number(peakMegabytes() - before)));
    QCOMPARE(files.size(), 8);
    QCOMPARE(QFileInfo(files.at(7)).size(), 64 + (40 << 20));
}

QTEST_GUILESS_MAIN(ArchiveTest)

#include "tst_archive.moc"
