#include "archive/ComicArchive.h"
#include "archive/ComicInfo.h"
#include "archive/NaturalOrder.h"
#include "tests/archive/ArchiveMaker.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

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
    void naturalOrder()
    {
        // Numbers by value, leading zeros counting only between equal values, case
        // folded, a prefix first, numbers longer than any integer.
        for (const auto &[a, b] : {std::pair{"page2.jpg", "page10.jpg"}, {"p007", "p8"}, {"p01", "p1"}, {"A2", "a10"},
                                   {"x", "x1"}, {"p99", "p123456789012345678901"}}) {
            QVERIFY2(archive::naturalCompare(a, b) < 0, a);
            QVERIFY2(archive::naturalCompare(b, a) > 0, a);
        }
    }

    void comicInfo()
    {
        // Each: the document, then the title, drawer and date read from it.
        const QList<std::pair<QByteArray, QStringList>> cases = {
            {"<ComicInfo><Title>小英雄</Title><Penciller>陈</Penciller><Artist>x</Artist><Year>1975</Year><Month>3</Month><Day>9</Day></ComicInfo>", {"小英雄", "陈", "1975-03-09"}},
            {"<ComicInfo><Series>西游记</Series><Number>2</Number><Artist>刘</Artist><Year>1980</Year><Month>13</Month></ComicInfo>", {"西游记 2", "刘", "1980"}},
            {"<ComicInfo><Title>t</Title><Year>then</Year></ComicInfo>", {"t", "", ""}},
            // Cut off: what was read is kept.
            {"<ComicInfo><Title>t</Title><Writer>w", {"t", "", ""}},
        };
        for (const auto &[xml, expected] : cases) {
            const book::BookMeta meta = archive::parseComicInfo(xml);
            QVERIFY(meta.found);
            QCOMPARE((QStringList{meta.title, meta.drawer, meta.publishdate}), expected);
        }
        // Another document, or none, is not found.
        for (const QByteArray &xml : {QByteArray("<html><Title>t</Title></html>"), QByteArray("\x89PNG")}) {
            const book::BookMeta meta = archive::parseComicInfo(xml);
            QVERIFY(!meta.found && meta.title.isEmpty());
        }

        // Every field written comes back as it was.
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

    void readsEveryFormat()
    {
        // Many .cbr files are zips in truth: the content decides.
        TestEnv env;
        const QByteArray p1 = jpeg(40, 60, Qt::red), p2 = pictureBytes(30, 30, "PNG"), p10 = jpeg(50, 20, Qt::blue);
        for (const auto &[fileName, format] : {std::pair{"book.cbz", "zip"}, {"book.cb7", "7zip"}, {"book.cbt", "pax"}, {"book.cbr", "zip"}}) {
            const QString path = env.path(fileName);
            QVERIFY(writeArchive(path, format, {{"pages/p10.jpg", p10, 0}, {"notes.txt", "not a page", 0}, {"pages/p2.PNG", p2, 0},
                {"ComicInfo.xml", "<ComicInfo><Title>雨来</Title><Writer>管桦</Writer></ComicInfo>", 0}, {"pages/p1.jpg", p1, 0}, {"__MACOSX/pages/._p1.jpg", "resource fork", 0}}));
            archive::ComicBook book;
            int reported = 0;
            QVERIFY(!archive::readComicArchive(path, &book, {}, [&](int n) { reported = n; }));
            QCOMPARE(pageNames(book), (QStringList{"pages/p1.jpg", "pages/p2.PNG", "pages/p10.jpg"}));
            QCOMPARE((QList<QByteArray>{book.pages.at(0).bytes, book.pages.at(1).bytes, book.pages.at(2).bytes}), (QList<QByteArray>{p1, p2, p10}));
            QCOMPARE(book.pages.at(1).format, QByteArray("png"));
            QCOMPARE(reported, 3);
            QCOMPARE((QStringList{book.meta.title, book.meta.writer}), (QStringList{"雨来", "管桦"}));
            QVERIFY(book.skipped.contains("notes.txt"));
        }
    }

    void refusesBadArchives()
    {
        TestEnv env;
        const auto path = [&](const char *kind) { return env.path(QString::fromLatin1(kind) + ".cbz"); };
        QVERIFY(QDir().mkpath(path("folder")));
        QVERIFY(writeArchive(path("cut"), "zip", {{"1.jpg", jpeg(400, 400), 0}, {"2.jpg", jpeg(400, 400, Qt::green), 0}}));
        QVERIFY(QFile::resize(path("cut"), QFileInfo(path("cut")).size() / 2));
        QVERIFY(putFile(path("noise"), QByteArray("PK\x03\x04", 4) + QByteArray(4000, '\xFF')));
        QVERIFY(putFile(path("empty file")));
        QVERIFY(writeArchive(path("empty zip"), "zip", {}));
        QVERIFY(writeArchive(path("no pictures"), "zip", {{"readme.txt", "hello", 0}, {"ComicInfo.xml", "<ComicInfo/>", 0}}));
        QVERIFY(writeArchive(path("fake picture"), "zip", {{"1.jpg", jpeg(), 0}, {"2.jpg", "no picture here", 0}}));
        const bool encrypted = writeArchive(path("encrypted"), "zip", {{"1.jpg", jpeg(), 0}}, "secret");
        QVERIFY(writeArchive(path("too large"), "zip", {{"1.jpg", jpeg(), 0}, {"2.jpg", jpeg(800, 800), 0}}));
        using E = archive::ArchiveError;
        for (const auto &[kind, expected] : {std::pair{"folder", E::Unreadable}, {"cut", E::Damaged}, {"noise", E::Damaged},
                                             {"empty file", E::Empty}, {"empty zip", E::Empty}, {"no pictures", E::NoPictures},
                                             {"fake picture", E::BadPicture}, {"encrypted", E::Encrypted}, {"too large", E::TooLarge}}) {
            if (expected == E::Encrypted && !encrypted) {
                qWarning("this libarchive cannot write encrypted zips");
                continue;
            }
            archive::ArchiveLimits limits;
            if (expected == E::TooLarge)
                limits.maxPageBytes = jpeg().size() + 1;
            archive::ComicBook book;
            book.skipped << "untouched";
            const archive::ArchiveError e = archive::readComicArchive(path(kind), &book, limits);
            QVERIFY2(e.kind == expected, kind);
            QCOMPARE(book.skipped, QStringList{"untouched"});
            if (expected == E::BadPicture)
                QCOMPARE(e.entry, QStringLiteral("2.jpg"));
        }
    }

    void namesOutsideTheArchiveAreNeverTaken()
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

        // A link is never followed, not even to a page of the archive.
        QVERIFY(writeArchive(env.path("linked.cbt"), "pax", {{"1.jpg", jpeg(), 0}, {"2.jpg", {}, 0, "1.jpg"}}));
        QVERIFY(!archive::readComicArchive(env.path("linked.cbt"), &book));
        QCOMPARE(pageNames(book), QStringList{"1.jpg"});
        QCOMPARE(book.skipped, QStringList{"2.jpg"});
    }

    void largeEntriesAreNotInflated()
    {
        TestEnv env;
        const QString path = env.path("bomb.cbz");
        const qint64 gigabyte = qint64(1) << 30;
        QVERIFY(writeArchive(path, "zip", {{"1.jpg", jpeg(), 0}, {"payload.bin", {}, gigabyte}, {"2.jpg", jpeg(20, 20), 0}}));
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

    void writesCbzUnchangedOrNothing()
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

        // Where the archive cannot be written, nothing is left.
        QVERIFY(putFile(env.path("file")));
        QVERIFY(QDir().mkpath(env.path("dir.cbz")));
        const QStringList before = filesUnder(env.path(QString()));
        for (const QString &target : {env.path("file/out.cbz"), env.path("missing/out.cbz"), env.path("dir.cbz")})
            QCOMPARE(archive::writeCbz(target, {jpeg()}, {}).kind, archive::ArchiveError::WriteFailed);
        QCOMPARE(filesUnder(env.path(QString())), before);
    }

    void unpacksUnderGeneratedNames()
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
};

QTEST_GUILESS_MAIN(ArchiveTest)

#include "tst_archive.moc"
