// The page picture holder with large scans: legitimate pages up to
// 16000 x 16000 show, a page that claims more is not a picture.
#include "view/PageImage.h"
#include "view/PictureDecoder.h"

#include <QBuffer>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace korvel;

namespace {

// An uncompressed BMP of the given size, 8 bits with a grey palette or 24
// bits, every pixel zero. Only the header is written when headerOnly is set,
// as a damaged or hostile file might claim a size it does not hold.
QByteArray bmp(int width, int height, int bits, bool headerOnly = false)
{
    const int paletteBytes = bits == 8 ? 256 * 4 : 0;
    const qint64 stride = ((qint64(width) * bits / 8) + 3) / 4 * 4;
    const qint64 pixelBytes = stride * height;
    const int offset = 14 + 40 + paletteBytes;
    QByteArray b(headerOnly ? offset : offset + pixelBytes, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian<quint32>(v, b.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian<quint16>(v, b.data() + at); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, quint32(offset + pixelBytes));
    put32(10, quint32(offset));
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, quint16(bits));
    put32(34, quint32(pixelBytes));
    for (int i = 0; i < paletteBytes / 4; ++i)
        for (int c = 0; c < 3; ++c)
            b[54 + i * 4 + c] = char(i);
    return b;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PageImageTest : public QObject {
    Q_OBJECT

private slots:
    void largeScans_data();
    void largeScans();
    void onlyPicturesDecode();
};

void PageImageTest::largeScans_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("headerOnly");
    QTest::addColumn<bool>("shows");
    QTest::newRow("9000 x 9000, 24 bits") << 9000 << 9000 << 24 << false << true;
    QTest::newRow("16000 x 16000, 8 bits") << 16000 << 16000 << 8 << false << true;
    QTest::newRow("claims 16001 x 16000") << 16001 << 16000 << 8 << true << false;
    QTest::newRow("claims 60000 x 60000") << 60000 << 60000 << 24 << true << false;
}

void PageImageTest::largeScans()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bits);
    QFETCH(bool, headerOnly);
    QFETCH(bool, shows);
    view::PageImage page;
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray previous;
    {
        QBuffer buffer(&previous);
        buffer.open(QIODevice::WriteOnly);
        small.save(&buffer, "PNG");
    }
    QVERIFY(page.load(previous, QSize()));

    QCOMPARE(page.load(bmp(width, height, bits, headerOnly), QSize(800, 800)), shows);
    if (shows) {
        QCOMPARE(page.naturalSize(), QSize(width, height));
        // Decoded no larger than it is shown.
        QVERIFY(!page.image().isNull());
        QVERIFY(page.image().width() <= 800 && page.image().height() <= 800);
    } else {
        // Taken for a page that is not a picture: the previous one stays.
        QCOMPARE(page.naturalSize(), QSize(40, 30));
        QCOMPARE(page.image().pixelColor(0, 0), QColor(Qt::red));
    }
}

void PageImageTest::onlyPicturesDecode()
{
    QTemporaryDir dir;
    const QString local = dir.filePath("secret.png"), fifo = dir.filePath("fifo.png");
    QImage blue(30, 30, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QVERIFY(blue.save(local, "PNG"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A document that draws another file is no page: the file is never read.
    for (const QString &target : {local, fifo}) {
        const QByteArray svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" "
                                              "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"30\" "
                                              "height=\"30\"><image xlink:href=\"%1\" width=\"30\" height=\"30\"/></svg>")
                                   .arg(target)
                                   .toUtf8();
        QVERIFY(view::PageImage::decodeForDisplay(svg, QSize(100, 100)).isNull());
        QFile named(dir.filePath("page.png"));
        QVERIFY(named.open(QIODevice::WriteOnly));
        named.write(svg);
        named.close();
        QVERIFY(!view::PictureDecoder::forFile(named.fileName())->isPicture());
    }
    // Nor is a format outside the six, nor a pipe named as a picture.
    QVERIFY(!view::PictureDecoder(QByteArray("P6\n1 1\n255\n\0\0\0", 14)).isPicture());
    QVERIFY(!view::PictureDecoder::forFile(fifo)->isPicture());
    QVERIFY(view::PictureDecoder::forFile(local)->isPicture());
    QCOMPARE(view::PageImage::decodeForDisplay(fileBytes(local), QSize(10, 10)).image.size(), QSize(10, 10));
}

QTEST_GUILESS_MAIN(PageImageTest)

#include "tst_pageimage.moc"
