#include "maker/GifWriter.h"
#include "maker/PageExport.h"
#include "maker/SavePic.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvel;

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

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The TIFF tags a test cares about, from the first directory.
QMap<int, quint32> tiffTags(const QByteArray &d)
{
    QMap<int, quint32> tags;
    if (d.size() < 8 || d.left(2) != "II")
        return tags;
    auto u16 = [&](int at) { return quint32(uchar(d[at])) | quint32(uchar(d[at + 1])) << 8; };
    auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
    const quint32 at = u32(4);
    const quint32 n = u16(int(at));
    for (quint32 i = 0; i < n; ++i) {
        const int e = int(at + 2 + 12 * i);
        const quint32 type = u16(e + 2), count = u32(e + 4);
        quint32 value = type == 3 && count == 1 ? u16(e + 8) : u32(e + 8);
        if (u16(e) == 258 && count == 3) // bits per sample: three values elsewhere
            value = u16(int(value)) + u16(int(value) + 2) + u16(int(value) + 4);
        tags[int(u16(e))] = value;
    }
    return tags;
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
        const QMap<int, quint32> tags = tiffTags(readAll(path));
        QCOMPARE(tags.value(259), 1u);  // no compression
        QCOMPARE(tags.value(277), 3u);  // three samples a pixel
        QCOMPARE(tags.value(258), 24u); // 8 + 8 + 8 bits
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
        QVERIFY(put(outside, "precious"));
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::green);
        for (const QString ext : {".jpg", ".gif"}) {
            const QString link = dir.filePath("0" + ext), old = dir.filePath("old" + ext);
            QVERIFY(QFile::link(outside, link));
            QVERIFY(!maker::savePicFile(image, link, ext));
            QVERIFY(!QFileInfo(link).isSymLink());
            QVERIFY(!QImage(link).isNull());
            QVERIFY(put(old, "old bytes"));
            QVERIFY(maker::savePicFile(QImage(), old, ext));
            QCOMPARE(readAll(old), QByteArray("old bytes"));
        }
        QCOMPARE(readAll(outside), QByteArray("precious"));
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
        QTest::newRow("under a file") << "file/x" << int(maker::PageExport::FolderCheck::NotAFolder) << "";
    }
    void folderRules()
    {
        QFETCH(QString, text);
        QFETCH(int, check);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QFile file(dir.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
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
};

QTEST_MAIN(SavePicTest)
#include "tst_savepic.moc"
