// The page picture holder with large scans: legitimate pages up to
// 16000 x 16000 show, a page that claims more is not a picture.
#include "view/PageImage.h"
#include "view/PagePrefetch.h"
#include "view/PictureDecoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
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

QByteArray jpeg(int w, int h, QColor c)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    QPainter(&image).drawLine(0, 0, w, h);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "JPEG").write(image);
    return bytes;
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
    // Pages decoded ahead of their turn.
    void turnFindsOnlyWhatMatches_data();
    void turnFindsOnlyWhatMatches();
    void decodedAsTheTurnWould();
    void damagedPageFailsWhenTurnedTo();
    void holdsThreeAtMost();
    void keepOnlyAndClear();
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

using namespace korvel::view;

void PageImageTest::turnFindsOnlyWhatMatches_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QSize>("hint");
    QTest::addColumn<bool>("sameBytes");
    QTest::addColumn<bool>("found");
    QTest::newRow("as prefetched") << 1 << QSize(400, 600) << true << true;
    QTest::newRow("zoomed or resized since") << 1 << QSize(200, 300) << true << false;
    QTest::newRow("other bytes under the number") << 1 << QSize(400, 600) << false << false;
    QTest::newRow("another page") << 2 << QSize(400, 600) << true << false;
}

void PageImageTest::turnFindsOnlyWhatMatches()
{
    QFETCH(int, page);
    QFETCH(QSize, hint);
    QFETCH(bool, sameBytes);
    QFETCH(bool, found);
    const QByteArray bytes = jpeg(800, 1200, Qt::red);
    PagePrefetch prefetch;
    prefetch.prefetch(1, bytes, QSize(400, 600));
    prefetch.waitForIdle();
    const auto taken = prefetch.take(page, sameBytes ? bytes : jpeg(800, 1200, Qt::blue), hint);
    QCOMPARE(taken.has_value(), found);
    // A page that no longer fits is not kept either.
    QCOMPARE(prefetch.holds(1), found || page != 1);
}

void PageImageTest::decodedAsTheTurnWould()
{
    const QByteArray bytes = jpeg(1600, 2400, Qt::green);
    const QSize hint(533, 800);
    PagePrefetch prefetch;
    prefetch.prefetch(5, bytes, hint);
    prefetch.waitForIdle();
    QCOMPARE(prefetch.workerDecodes(), 1);
    // Asked again for the same page and hint, nothing new is decoded.
    prefetch.prefetch(5, bytes, hint);
    prefetch.waitForIdle();
    QCOMPARE(prefetch.workerDecodes(), 1);
    const auto taken = prefetch.take(5, bytes, hint);
    QVERIFY(taken);
    const PageImage::Decoded direct = PageImage::decodeForDisplay(bytes, hint);
    QCOMPARE(taken->natural, QSize(1600, 2400));
    QCOMPARE(taken->image, direct.image);
    QVERIFY(taken->image.width() < 1600);
    PageImage image;
    QVERIFY(image.adopt(bytes, *taken));
    QCOMPARE(image.naturalSize(), QSize(1600, 2400));
}

void PageImageTest::damagedPageFailsWhenTurnedTo()
{
    const QByteArray good = jpeg(100, 150, Qt::red);
    const QByteArray damaged("not a picture");
    PageImage image;
    QVERIFY(image.load(good, QSize(100, 150)));
    PagePrefetch prefetch;
    prefetch.prefetch(2, damaged, QSize(100, 150));
    const auto taken = prefetch.take(2, damaged, QSize(100, 150));
    QVERIFY(taken);
    QVERIFY(taken->isNull());
    // As a fresh load of the same bytes: refused, the previous page stays.
    QVERIFY(!image.adopt(damaged, *taken));
    QCOMPARE(image.naturalSize(), QSize(100, 150));
    QVERIFY(!image.isNull());
}

void PageImageTest::holdsThreeAtMost()
{
    PagePrefetch prefetch;
    QList<QByteArray> pages;
    for (int i = 0; i < 5; ++i)
        pages << jpeg(300, 400, QColor(i * 50, 0, 0));
    for (int i = 0; i < 5; ++i) {
        prefetch.prefetch(i, pages.at(i), QSize(150, 200));
        QVERIFY(prefetch.held() <= PagePrefetch::kHeld);
    }
    prefetch.keep(9, pages.at(0), QSize(150, 200), PageImage::decodeForDisplay(pages.at(0), QSize(150, 200)));
    QCOMPARE(prefetch.held(), PagePrefetch::kHeld);
    QVERIFY(!prefetch.holds(2));
    QVERIFY(prefetch.holds(3) && prefetch.holds(4) && prefetch.holds(9));
    prefetch.waitForIdle();
    // Withdrawn before the worker reached them, the dropped pages were never decoded.
    QVERIFY(prefetch.workerDecodes() <= 5);
    QVERIFY(prefetch.take(4, pages.at(4), QSize(150, 200)));
}

void PageImageTest::keepOnlyAndClear()
{
    PagePrefetch prefetch;
    const QByteArray bytes = jpeg(300, 400, Qt::red);
    prefetch.prefetch(1, bytes, QSize(150, 200));
    prefetch.prefetch(2, bytes, QSize(150, 200));
    prefetch.prefetch(3, bytes, QSize(150, 200));
    prefetch.keepOnly({2, 7});
    QCOMPARE(prefetch.held(), 1);
    QVERIFY(prefetch.holds(2));
    prefetch.clear();
    QCOMPARE(prefetch.held(), 0);
    QVERIFY(!prefetch.take(2, bytes, QSize(150, 200)));
}

QTEST_GUILESS_MAIN(PageImageTest)

#include "tst_pageimage.moc"
