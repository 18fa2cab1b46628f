// Saving pictures (each format, GIF colours, failures, links), exporting every
// page, and the book maker's page list and saving.
#include "book/BookFile.h"
#include "book/BookReader.h"
#include "db/Connection.h"
#include "maker/BookMaker.h"
#include "maker/GifWriter.h"
#include "maker/MakerLayout.h"
#include "maker/PageExport.h"
#include "maker/SavePic.h"
#include "tests/support/TestEnv.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvel;
using test::TestEnv;

namespace {

QImage picture(int w = 64, int h = 48)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            image.setPixel(x, y, qRgb(220, 40, 40));
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

// Picture files p0 ... p(n-1), each of its own colour.
QStringList pictures(const TestEnv &env, int count, const char *format = "PNG", QSize size = {40, 60})
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << writeFile(env.path(QStringLiteral("p%1.%2").arg(i).arg(QString::fromLatin1(format).toLower())),
                         test::pictureBytes(size.width(), size.height(), format, QColor(10 * i, 100, 200)));
    return out;
}

bool waitForThumbnails(maker::BookMaker &m)
{
    if (m.pendingThumbnails() == 0)
        return true;
    QSignalSpy done(&m, &maker::BookMaker::thumbnailsFinished);
    return done.wait(20000);
}

QStringList numbers(const maker::BookMaker &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, maker::BookMaker::NumberColumn).data().toString();
    return out;
}

QStringList names(const maker::BookMaker &m)
{
    QStringList out;
    for (const QString &p : m.paths())
        out << QFileInfo(p).completeBaseName();
    return out;
}

struct StoredBook {
    book::BookMeta meta;
    QList<qint32> numbers;
    QList<QByteArray> images;
    bool ok = false;
};

StoredBook readBack(const QString &path)
{
    StoredBook b;
    db::Connection c;
    if (c.open(path, db::Access::ReadOnly))
        return b;
    b.meta = book::readBookMeta(c);
    QVector<qint32> numbers;
    if (book::readPageNumbers(c, &numbers))
        return b;
    for (qint32 n : numbers) {
        b.numbers << n;
        b.images << book::readPage(c, n).bytes;
    }
    b.ok = true;
    return b;
}

} // namespace

class SavePicTest : public QObject {
    Q_OBJECT

private slots:
    void eachFormatReadsBack_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("jpg") << ".jpg" << QByteArray("jpeg") << 24;
        QTest::newRow("png") << ".png" << QByteArray("png") << 0;
        QTest::newRow("gif") << ".gif" << QByteArray("gif") << 24;
        QTest::newRow("tiff") << ".tiff" << QByteArray("tiff") << 0;
        QTest::newRow("bmp") << ".bmp" << QByteArray("bmp") << 0;
    }
    void eachFormatReadsBack()
    {
        QFETCH(QString, extension);
        QFETCH(QByteArray, format);
        QFETCH(int, tolerance);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("页 'a' b") + extension);
        const QImage source = picture();
        QVERIFY(!maker::savePicFile(source, path, extension));
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage back = reader.read();
        QCOMPARE(back.size(), source.size());
        for (QPoint p : {QPoint(5, 5), QPoint(60, 40)}) {
            const QRgb a = source.pixel(p), b = back.pixel(p);
            QVERIFY2(qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qBlue(a) - qBlue(b)) <= tolerance,
                     qPrintable(QStringLiteral("%1 at %2,%3").arg(extension).arg(p.x()).arg(p.y())));
        }
        // Nothing but the picture is left in the folder.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void gifKeepsColoursAndLaysTransparencyOnWhite()
    {
        // Far more than 256 colours come back close on average; a transparent corner comes back white.
        QImage source(256, 64, QImage::Format_ARGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 256; ++x)
                source.setPixel(x, y, x < 8 && y < 8 ? qRgba(0, 0, 0, 0) : qRgb(x, 255 - x, y * 4));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("g.gif"));
        const maker::GifResult written = maker::writeGif(source, path);
        QVERIFY2(written.ok, qPrintable(written.error));
        const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(back.size(), source.size());
        QVERIFY2(near(back.pixel(2, 2), qRgb(255, 255, 255)), "transparency is laid on white");
        qint64 error = 0;
        for (int y = 8; y < 64; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb a = source.pixel(x, y), b = back.pixel(x, y);
                error += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
            }
        QVERIFY2(error / (256 * 56 * 3) < 10, qPrintable(QString::number(error / (256 * 56 * 3))));
        // No picture: refused, and no file.
        QVERIFY(!maker::writeGif(QImage(), dir.filePath(QStringLiteral("empty.gif"))).ok);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("empty.gif"))));
    }

    void tiffIsUncompressed24Bit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.tiff");
        QImage withAlpha(40, 30, QImage::Format_ARGB32);
        withAlpha.fill(QColor(10, 200, 10, 128));
        QVERIFY(!maker::savePicFile(withAlpha, path, ".tiff"));
        // Three bytes a pixel, uncompressed, and no alpha channel left.
        QVERIFY(qAbs(QFileInfo(path).size() - 40 * 30 * 3) < 1024);
        QVERIFY(!QImage(path).hasAlphaChannel());
    }

    void failuresGiveNumberAndDescription_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("number");
        QTest::newRow("unknown extension") << "a.jpeg" << ".jpeg" << 5;
        QTest::newRow("missing folder") << "no/such/a.jpg" << ".jpg" << 76;
        QTest::newRow("missing folder gif") << "no/such/a.gif" << ".gif" << 76;
        QTest::newRow("a folder as the file") << "sub" << ".png" << 75;
    }
    void failuresGiveNumberAndDescription()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(int, number);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        const QString path = dir.filePath(name);
        const maker::SaveError e = maker::savePicFile(picture(), path, extension);
        QCOMPARE(e.number, number);
        QVERIFY(!e.description.isEmpty());
        if (number != 5)
            QVERIFY2(e.description.contains(QDir::toNativeSeparators(path)), qPrintable(e.description));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    void writesNeverGoThroughLinksAndKeepTheEarlierFile()
    {
        // A link in the export's folder is replaced itself, what it points to
        // stays; a write that fails keeps the file that was there.
        QTemporaryDir dir;
        const QString outside = dir.filePath("outside.txt");
        writeFile(outside, "precious");
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::green);
        for (const QString ext : {".jpg", ".gif"}) {
            const QString link = dir.filePath("0" + ext), old = dir.filePath("old" + ext);
            QVERIFY(QFile::link(outside, link));
            QVERIFY(!maker::savePicFile(image, link, ext));
            QVERIFY(!QFileInfo(link).isSymLink());
            QVERIFY(!QImage(link).isNull());
            writeFile(old, "old bytes");
            QVERIFY(maker::savePicFile(QImage(), old, ext));
            QCOMPARE(test::fileBytes(old), QByteArray("old bytes"));
        }
        QCOMPARE(test::fileBytes(outside), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
    }

    void extensionAppendedUnlessContained_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("result");
        QTest::newRow("plain") << "/d/page" << ".jpg" << "/d/page.jpg";
        QTest::newRow("capitals") << "/d/page.JPG" << ".jpg" << "/d/page.JPG.jpg";
        QTest::newRow("inside") << "/d/a.jpg.png" << ".png" << "/d/a.jpg.png";
        QTest::newRow("in the folder") << "/d/x.jpg/page" << ".jpg" << "/d/x.jpg/page";
    }
    void extensionAppendedUnlessContained()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QFETCH(QString, result);
        QCOMPARE(maker::withExtension(name, extension), result);
    }

    // ---------------------------------------------------------------- every page

    void folderRules_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("check");
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << "" << int(maker::PageExport::FolderCheck::Empty) << "";
        QTest::newRow("new with parents") << "a/b/c" << int(maker::PageExport::FolderCheck::Ready) << "a/b/c/";
        QTest::newRow("ends in separator") << "a/b/" << int(maker::PageExport::FolderCheck::Ready) << "a/b/";
        QTest::newRow("a file") << "file" << int(maker::PageExport::FolderCheck::NotAFolder) << "";
    }
    void folderRules()
    {
        QFETCH(QString, text);
        QFETCH(int, check);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        writeFile(dir.filePath("file"), {});
        const QString full = text.isEmpty() ? text : dir.filePath(text);
        QString made;
        QCOMPARE(int(maker::PageExport::prepareFolder(full, &made)), check);
        if (!folder.isEmpty()) {
            QCOMPARE(made, dir.filePath(folder));
            QVERIFY(QFileInfo(made).isDir());
        }
    }

    void exportWritesEveryPageAndGoesOnAfterAFailure()
    {
        QTemporaryDir dir;
        QString folder;
        QVERIFY(maker::PageExport::prepareFolder(dir.filePath("out"), &folder)
                == maker::PageExport::FolderCheck::Ready);
        QList<std::optional<QByteArray>> pages = {encoded(picture(30, 20), "png"), QByteArray("not a picture"),
                                                  std::nullopt, encoded(picture(20, 30), "bmp")};
        maker::PageExport run(folder, int(pages.size()), [&](int i) { return pages.at(i); });
        QList<int> failed;
        while (!run.finished()) {
            const int at = run.done();
            if (maker::SaveError e = run.exportNext()) {
                failed << at;
                QVERIFY(e.description.contains(QString::number(at) + ".jpg"));
            }
        }
        QCOMPARE(failed, (QList<int>{1, 2}));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"0.jpg", "3.jpg"}));
        QCOMPARE(QImageReader(folder + "3.jpg").size(), QSize(20, 30));
        QCOMPARE(QImageReader(folder + "0.jpg").format(), QByteArray("jpeg"));
    }

    void exportStopsWhenTheFolderFails()
    {
        QTemporaryDir dir;
        QString folder;
        QVERIFY(maker::PageExport::prepareFolder(dir.filePath("out"), &folder)
                == maker::PageExport::FolderCheck::Ready);
        const QByteArray page = encoded(picture(), "png");
        maker::PageExport run(folder, 5, [&](int i) {
            if (i == 2)
                QDir(folder).removeRecursively();
            return std::optional<QByteArray>(page);
        });
        QVERIFY(!run.exportNext());
        QVERIFY(!run.exportNext());
        const maker::SaveError e = run.exportNext();
        QCOMPARE(e.number, 76);
        QVERIFY(e.description.contains("2.jpg"));
        QVERIFY(run.finished());
        QVERIFY(!run.exportNext());
    }

    // ---------------------------------------------------------------- the book maker

    // A picture is shown at its own size if it fits, else at the largest of its
    // shape within the width and the height less the allowance; centred.
    void previewFitsAndCentres()
    {
        // In 6000 x 4775 twips, 4000 high once the allowance is taken.
        QVERIFY(maker::previewBox(3000, 2000, 6000, 4775) == (TwipsRect{1500, 1387.5f, 3000, 2000}));
        QVERIFY(maker::previewBox(12000, 4000, 6000, 4775) == (TwipsRect{0, 1387.5f, 6000, 2000}));
        QVERIFY(maker::previewBox(3000, 8000, 6000, 4775) == (TwipsRect{2250, 387.5f, 1500, 4000}));
    }

    void insertsInFrontOfPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("no current row: the top") << -1 << QStringList{"p3", "p4", "p0", "p1", "p2"};
        QTest::newRow("second row") << 1 << QStringList{"p0", "p3", "p4", "p1", "p2"};
        QTest::newRow("past the end: the top") << 3 << QStringList{"p3", "p4", "p0", "p1", "p2"};
    }
    void insertsInFrontOfPosition()
    {
        QFETCH(int, position);
        QFETCH(QStringList, order);
        TestEnv env;
        const QStringList files = pictures(env, 5);
        maker::BookMaker m;
        QVERIFY(m.insertPictures(-1, files.mid(0, 3)).isEmpty());
        QVERIFY(m.insertPictures(position, files.mid(3)).isEmpty());
        QCOMPARE(names(m), order);
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3", "4", "5"}));
        QCOMPARE(m.index(1, maker::BookMaker::PathColumn).data().toString(), m.path(1));
        QVERIFY(waitForThumbnails(m));
    }

    void removesExactlyTheSelectedRows()
    {
        TestEnv env;
        maker::BookMaker m;
        m.insertPictures(-1, pictures(env, 6));
        m.removePages({4, 1, 2, 4});
        QCOMPARE(names(m), (QStringList{"p0", "p3", "p5"}));
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3"}));
        m.removePages({0, 1, 2});
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(waitForThumbnails(m));
    }

    void movesRowsAndRenumbers_data()
    {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<int>("target");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("start");
        QTest::newRow("down") << QList<int>{0} << 3 << QStringList{"p1", "p2", "p0", "p3", "p4"} << 2;
        QTest::newRow("to the end") << QList<int>{1, 3} << 5 << QStringList{"p0", "p2", "p4", "p1", "p3"} << 3;
        QTest::newRow("to the top") << QList<int>{2, 4} << 0 << QStringList{"p2", "p4", "p0", "p1", "p3"} << 0;
        QTest::newRow("onto itself") << QList<int>{2} << 2 << QStringList{"p0", "p1", "p2", "p3", "p4"} << 2;
    }
    void movesRowsAndRenumbers()
    {
        QFETCH(QList<int>, rows);
        QFETCH(int, target);
        QFETCH(QStringList, order);
        QFETCH(int, start);
        TestEnv env;
        maker::BookMaker m;
        m.insertPictures(-1, pictures(env, 5));
        QVERIFY(waitForThumbnails(m));
        QCOMPARE(m.movePages(rows, target), start);
        QCOMPARE(names(m), order);
        QCOMPARE(numbers(m), (QStringList{"1", "2", "3", "4", "5"}));
        // The small pictures go with their rows.
        for (int r = 0; r < m.rowCount(); ++r)
            QCOMPARE(m.thumbnail(r).pixelColor(30, 5).red(), 10 * order.at(r).mid(1).toInt());
    }

    void refusesFilesThatAreNotPictures()
    {
        TestEnv env;
        const QStringList good = pictures(env, 2, "JPG");
        QDir(env.path(QString())).mkdir("a folder.jpg");
        const QByteArray png = test::pictureBytes(50, 50, "PNG");
        const QStringList bad = {
            writeFile(env.path("empty.jpg"), {}),
            writeFile(env.path("text 'quoted'.gif"), "hello, not a picture"),
            env.path("a folder.jpg"),
            env.path("missing.bmp"),
            writeFile(env.path("zero.bmp"), QByteArray::fromHex("424d3a00000000000000360000002800000000000000"
                                                                "000000000100180000000000040000000000000000000000"
                                                                "00000000000000000000")),
        };
        const QString cut = writeFile(env.path("连环画 cut.png"), png.left(png.size() / 2));
        maker::BookMaker m;
        QSignalSpy finished(&m, &maker::BookMaker::thumbnailsFinished);
        const QStringList refused = m.insertPictures(-1, QStringList{good.at(0)} + bad + QStringList{cut, good.at(1)});
        QCOMPARE(refused, bad);
        QVERIFY(finished.wait(20000));
        // The cut file has a good header: it is only found out when decoded.
        QCOMPARE(finished.at(0).at(0).toStringList(), QStringList{cut});
        QCOMPARE(m.paths(), good);
        QCOMPARE(numbers(m), (QStringList{"1", "2"}));
    }

    void thumbnailsAreSmall()
    {
        TestEnv env;
        maker::BookMaker m;
        QSignalSpy progress(&m, &maker::BookMaker::thumbnailProgress);
        m.insertPictures(-1, pictures(env, 3, "JPG", {1600, 2400}) + pictures(env, 1, "PNG", {20, 10}));
        QVERIFY(waitForThumbnails(m));
        for (int r = 0; r < 3; ++r)
            QCOMPARE(m.thumbnail(r).size(), QSize(160, 240));
        // A small picture is not enlarged.
        QCOMPARE(m.thumbnail(3).size(), QSize(20, 10));
        QCOMPARE(progress.last(), (QList<QVariant>{4, 4}));
        QVERIFY(m.index(0, maker::BookMaker::PictureColumn).data(Qt::DecorationRole).canConvert<QImage>());
    }

    void savesPagesInListOrderWithBytesAsRead()
    {
        TestEnv env;
        const QStringList files = pictures(env, 2, "JPG") + pictures(env, 1, "BMP") + QStringList{writeFile(
            env.path("g.gif"), QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7"))};
        maker::BookMaker m;
        m.insertPictures(-1, files);
        m.movePages({3}, 0);
        book::BookMeta meta;
        meta.title = "O'Neil's \"book\"";
        meta.summary = "it's";
        meta.writer = "'";
        meta.sign = "''";
        meta.publisher = "出版社 'x'";
        meta.publishdate = "2009";
        meta.drawer = "a'b";
        meta.coverdrawer = "end'";
        const QString target = env.path("new 'book' 连环画.lhh");
        const auto outcome = m.save(env.appDir() + "/Korvel.tmp!", target, meta);
        QCOMPARE(outcome.kind, maker::BookMaker::SaveOutcome::Saved);
        const StoredBook b = readBack(target);
        QVERIFY(b.ok);
        QCOMPARE(b.numbers, (QList<qint32>{0, 1, 2, 3}));
        const QStringList order = m.paths();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(b.images.at(i), test::fileBytes(order.at(i)));
        QVERIFY(b.meta.found);
        for (auto field : {&book::BookMeta::title, &book::BookMeta::summary, &book::BookMeta::writer,
                           &book::BookMeta::sign, &book::BookMeta::publisher, &book::BookMeta::publishdate,
                           &book::BookMeta::drawer, &book::BookMeta::coverdrawer})
            QCOMPARE(b.meta.*field, meta.*field);
        QVERIFY(waitForThumbnails(m));
    }

};

QTEST_MAIN(SavePicTest)
#include "tst_savepic.moc"
