// Saving pictures (each format, GIF colours, failures, links), exporting every
// page, and the book maker's page list and saving.
#include "book/BookReader.h"
#include "db/Connection.h"
#include "maker/BookMaker.h"
#include "maker/GifWriter.h"
#include "maker/MakerLayout.h"
#include "maker/PageExport.h"
#include "maker/SavePic.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
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

// The pictures' names in list order, each with its shown number after a #
// where that is not its place.
QStringList names(const maker::BookMaker &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) {
        const QString number = m.index(r, maker::BookMaker::NumberColumn).data().toString();
        out << QFileInfo(m.path(r)).completeBaseName() + (number == QString::number(r + 1) ? QString() : "#" + number);
    }
    return out;
}

} // namespace

class SavePicTest : public QObject {
    Q_OBJECT

private slots:
    void eachFormatReadsBack()
    {
        // Each format under a name with quotes and Chinese; nothing but the picture is left in the folder.
        const QImage source = picture();
        for (const auto &[extension, format, tolerance] :
             {std::tuple{".jpg", "jpeg", 24}, {".png", "png", 0}, {".gif", "gif", 24}, {".tiff", "tiff", 0}, {".bmp", "bmp", 0}}) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("页 'a' b") + extension);
            QVERIFY(!maker::savePicFile(source, path, extension));
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray(format));
            const QImage back = reader.read();
            QCOMPARE(back.size(), source.size());
            for (QPoint p : {QPoint(5, 5), QPoint(60, 40)}) {
                const QRgb a = source.pixel(p), b = back.pixel(p);
                QVERIFY2(qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qBlue(a) - qBlue(b)) <= tolerance,
                         qPrintable(QStringLiteral("%1 at %2,%3").arg(extension).arg(p.x()).arg(p.y())));
            }
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
        // TIFF: three bytes a pixel, uncompressed, and no alpha channel left.
        QTemporaryDir dir;
        QImage withAlpha(40, 30, QImage::Format_ARGB32);
        withAlpha.fill(QColor(10, 200, 10, 128));
        QVERIFY(!maker::savePicFile(withAlpha, dir.filePath("t.tiff"), ".tiff"));
        QVERIFY(qAbs(QFileInfo(dir.filePath("t.tiff")).size() - 40 * 30 * 3) < 1024);
        QVERIFY(!QImage(dir.filePath("t.tiff")).hasAlphaChannel());
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
        const QColor corner = back.pixelColor(2, 2);
        QVERIFY2(corner.red() > 231 && corner.green() > 231 && corner.blue() > 231, "transparency is laid on white");
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

    void failuresAndLinks()
    {
        // An unknown extension, a missing folder (for the GIF writer too), a folder as the file.
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        for (const auto &[name, extension, number] : {std::tuple{"a.jpeg", ".jpeg", 5}, {"no/such/a.jpg", ".jpg", 76},
                                                      {"no/such/a.gif", ".gif", 76}, {"sub", ".png", 75}}) {
            const QString path = dir.filePath(name);
            const maker::SaveError e = maker::savePicFile(picture(), path, extension);
            QCOMPARE(e.number, number);
            QVERIFY(!e.description.isEmpty());
            if (number != 5)
                QVERIFY2(e.description.contains(QDir::toNativeSeparators(path)), qPrintable(e.description));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);

        // A link in the export's folder is replaced itself, what it points to
        // stays; a write that fails keeps the file that was there.
        const QString outside = dir.filePath("outside.txt");
        writeFile(outside, "precious");
        for (const QString ext : {".jpg", ".gif"}) {
            const QString link = dir.filePath("0" + ext), old = dir.filePath("old" + ext);
            QVERIFY(QFile::link(outside, link));
            QVERIFY(!maker::savePicFile(picture(10, 10), link, ext));
            QVERIFY(!QFileInfo(link).isSymLink());
            QVERIFY(!QImage(link).isNull());
            writeFile(old, "old bytes");
            QVERIFY(maker::savePicFile(QImage(), old, ext));
            QCOMPARE(test::fileBytes(old), QByteArray("old bytes"));
        }
        QCOMPARE(test::fileBytes(outside), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
    }

    void extensionAppendedUnlessContained()
    {
        QCOMPARE(maker::withExtension("/d/page", ".jpg"), QStringLiteral("/d/page.jpg"));
        QCOMPARE(maker::withExtension("/d/page.JPG", ".jpg"), QStringLiteral("/d/page.JPG.jpg"));
        QCOMPARE(maker::withExtension("/d/a.jpg.png", ".png"), QStringLiteral("/d/a.jpg.png"));
        QCOMPARE(maker::withExtension("/d/x.jpg/page", ".jpg"), QStringLiteral("/d/x.jpg/page"));
    }

    // ---------------------------------------------------------------- every page

    void exportWritesEveryPageAndGoesOnAfterAFailure()
    {
        using Check = maker::PageExport::FolderCheck;
        QTemporaryDir dir;
        writeFile(dir.filePath("file"), {});
        QString folder;
        QCOMPARE(maker::PageExport::prepareFolder(QString(), &folder), Check::Empty);
        QCOMPARE(maker::PageExport::prepareFolder(dir.filePath("file"), &folder), Check::NotAFolder);
        // A new folder is made with its parents; the name ends in a separator.
        QCOMPARE(maker::PageExport::prepareFolder(dir.filePath("x/y/"), &folder), Check::Ready);
        QCOMPARE(folder, dir.filePath("x/y/"));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(maker::PageExport::prepareFolder(dir.filePath("a/b/out"), &folder), Check::Ready);
        QCOMPARE(folder, dir.filePath("a/b/out/"));
        QList<std::optional<QByteArray>> pages = {test::pictureBytes(30, 20, "PNG"), QByteArray("not a picture"),
                                                  std::nullopt, test::pictureBytes(20, 30, "BMP")};
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

        // When the folder goes, the export stops at that page.
        QVERIFY(QDir().mkpath(folder));
        maker::PageExport stopped(folder, 5, [&](int i) {
            if (i == 2)
                QDir(folder).removeRecursively();
            return pages.at(0);
        });
        QVERIFY(!stopped.exportNext());
        QVERIFY(!stopped.exportNext());
        const maker::SaveError e = stopped.exportNext();
        QCOMPARE(e.number, 76);
        QVERIFY(e.description.contains("2.jpg"));
        QVERIFY(stopped.finished());
        QVERIFY(!stopped.exportNext());
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

    void insertsRemovesAndMovesRows()
    {
        // Inserted in front of the current row; with none, or past the end, at the top.
        TestEnv env;
        const QStringList files = pictures(env, 6);
        for (const auto &[position, order] : {std::pair{-1, QStringList{"p3", "p4", "p0", "p1", "p2"}},
                                              {1, QStringList{"p0", "p3", "p4", "p1", "p2"}},
                                              {3, QStringList{"p3", "p4", "p0", "p1", "p2"}}}) {
            maker::BookMaker m;
            QVERIFY(m.insertPictures(-1, files.mid(0, 3)).isEmpty());
            QVERIFY(m.insertPictures(position, files.mid(3, 2)).isEmpty());
            QCOMPARE(names(m), order);
            QCOMPARE(m.index(1, maker::BookMaker::PathColumn).data().toString(), m.path(1));
            QVERIFY(waitForThumbnails(m));
        }
        // Removed: exactly the rows named, once each.
        maker::BookMaker m;
        m.insertPictures(-1, files);
        m.removePages({4, 1, 2, 4});
        QCOMPARE(names(m), (QStringList{"p0", "p3", "p5"}));
        m.removePages({0, 1, 2});
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(waitForThumbnails(m));

        // Moved rows keep their order and land before the target row.
        // Each: the rows moved, the target, the order after and the first moved row's new place.
        for (const auto &[rows, target, order, start] : {std::tuple{QList<int>{0}, 3, QStringList{"p1", "p2", "p0", "p3", "p4"}, 2},
                                                         {QList<int>{1, 3}, 5, QStringList{"p0", "p2", "p4", "p1", "p3"}, 3},
                                                         {QList<int>{2, 4}, 0, QStringList{"p2", "p4", "p0", "p1", "p3"}, 0},
                                                         {QList<int>{2}, 2, QStringList{"p0", "p1", "p2", "p3", "p4"}, 2}}) {
            maker::BookMaker m;
            m.insertPictures(-1, files.mid(0, 5));
            QVERIFY(waitForThumbnails(m));
            QCOMPARE(m.movePages(rows, target), start);
            QCOMPARE(names(m), order);
            // The small pictures go with their rows.
            for (int r = 0; r < m.rowCount(); ++r)
                QCOMPARE(m.thumbnail(r).pixelColor(30, 5).red(), 10 * order.at(r).mid(1).toInt());
        }
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
        QCOMPARE(names(m), (QStringList{"p0", "p1"}));
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
        db::Connection c;
        QVERIFY(!c.open(target, db::Access::ReadOnly));
        QVector<qint32> stored;
        QVERIFY(!book::readPageNumbers(c, &stored));
        QCOMPARE(stored, (QVector<qint32>{0, 1, 2, 3}));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(book::readPage(c, i).bytes, test::fileBytes(m.paths().at(i)));
        const book::BookMeta back = book::readBookMeta(c);
        QVERIFY(back.found);
        for (auto field : {&book::BookMeta::title, &book::BookMeta::summary, &book::BookMeta::writer,
                           &book::BookMeta::sign, &book::BookMeta::publisher, &book::BookMeta::publishdate,
                           &book::BookMeta::drawer, &book::BookMeta::coverdrawer})
            QCOMPARE(back.*field, meta.*field);
        QVERIFY(waitForThumbnails(m));
    }
};

QTEST_MAIN(SavePicTest)
#include "tst_savepic.moc"
