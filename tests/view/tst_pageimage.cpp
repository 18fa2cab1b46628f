// The page picture holder with large scans: legitimate pages up to
// 16000 x 16000 show, a page that claims more is not a picture.
#include "view/WindowLayout.h"
#include "view/AutoPlay.h"
#include "view/Geometry.h"
#include "view/Twips.h"
#include "view/PageImage.h"
#include "view/PagePrefetch.h"
#include "view/PictureDecoder.h"
#include "tests/support/PutFile.h"
#include "tests/support/TestEnv.h"

#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace korvel;
using namespace korvel::view;
using namespace korvel::test;

namespace {

// An uncompressed BMP of the given size, 8 bits with a black palette or 24
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
    return b;
}

bool near(float a, float b)
{
    return qAbs(a - b) < 0.01f;
}

} // namespace

class PageImageTest : public QObject {
    Q_OBJECT

private slots:
    void fitAndZoom()
    {
        // A page is shown at its own size if it fits, else at the largest of its
        // shape within the width and the height less the allowance; always centred.
        for (const auto &[w, h, fw, fh] : {std::array<float, 4>{3000, 4000, 9000, 6000}, {3000, 5225, 9000, 6000},
                                          {18000, 6000, 9000, 12000}, {3000, 12000, 9000, 6000}, {36000, 48000, 9000, 6000}}) {
            PageBox b{w, h};
            view::fit(b, {fw, fh});
            centre(b, {fw, fh});
            const float scale = std::min({1.0f, fw / w, (fh - kVerticalAllowance) / h});
            QVERIFY2(near(b.width, w * scale) && near(b.height, h * scale), qPrintable(QString::number(w)));
            QVERIFY(near(b.left, (fw - b.width) / 2) && near(b.top, (fh - b.height) / 2));
        }
        // A frame lower than the allowance: the height step is skipped, the width one applies.
        PageBox low{6000, 3000};
        view::fit(low, {3000, 500});
        QCOMPARE(QSizeF(low.width, low.height), QSizeF(3000, 1500));
        // No picture: sizes stay zero, nothing divides by zero.
        PageBox none{0, 0};
        view::fit(none, {3000, 3000});
        zoomOut(none);
        zoomIn(none, {3000, 3000});
        QCOMPARE(none.width, 0.0f);

        // Zooming in stops at the fit; out, when the shorter side is 300 twips.
        const ViewSize frame{9000, 6000};
        PageBox b{3000, 12000};
        view::fit(b, frame);
        const PageBox fitted = b;
        for (int i = 0; i < 20; ++i)
            zoomOut(b);
        QVERIFY(b.height < fitted.height);
        for (int i = 0; i < 100; ++i)
            zoomIn(b, frame);
        QCOMPARE(QSizeF(b.width, b.height), QSizeF(fitted.width, fitted.height));
        PageBox small{1500, 1500};
        view::fit(small, frame);
        zoomIn(small, frame);
        QCOMPARE(small.width, 1500 * kZoomInFactor);
        for (const QSizeF size : {QSizeF(3000, 6000), QSizeF(6000, 3000)}) {
            PageBox z{float(size.width()), float(size.height())};
            view::fit(z, {90000, 90000});
            for (int i = 0; i < 1000; ++i)
                zoomOut(z);
            QCOMPARE(std::min(z.width, z.height), kMinimumSide);
        }
    }

    void splitterAndWindow()
    {
        // The splitter is kept between its minimum and the window's right end.
        for (const auto &[x, width, expected] : {std::array<float, 3>{100, 11505, kMinSplitter}, {1200, 11505, 1200},
                                                 {11000, 11505, 10705}, {7500, 8000, 7200}}) {
            view::LayoutInput in;
            in.width = width;
            const view::Layout l = view::computeLayout(in, x);
            QCOMPARE(l.splitter, expected);
            QVERIFY(l.picView.left > l.splitter && l.picView.left + l.picView.width < width);
        }
        // The minimum window: width first, the height on the next pass.
        float w = 0, h = 0;
        QVERIFY(view::enforceMinimum(kMinWindowWidth - 1, 4000, w, h));
        QCOMPARE(QSizeF(w, h), QSizeF(kMinWindowWidth, 4000));
        QVERIFY(view::enforceMinimum(kMinWindowWidth, kMinWindowHeight - 1, w, h));
        QCOMPARE(h, kMinWindowHeight);
        QVERIFY(!view::enforceMinimum(kMinWindowWidth, kMinWindowHeight, w, h));

        // A window stored for a monitor that is gone comes back on the screen, at
        // most the free height, never below the minimum; one that fits stays.
        QCOMPARE(keepOnScreen({90000, -3000, 11505, 8145}, {0, 0, 24000, 15000}), (TwipsRect{12495, 0, 11505, 8145}));
        QCOMPARE(keepOnScreen({100, 100, 11505, 8145}, {0, 0, 12000, 6900}), (TwipsRect{100, 0, 11505, 6900}));
        QCOMPARE(keepOnScreen({24100, 100, 11505, 8145}, {24000, 0, 24000, 15000}), (TwipsRect{24100, 100, 11505, 8145}));
        QCOMPARE(keepOnScreen({500, 500, 11505, 8145}, {0, 0, 6000, 4000}),
                 (TwipsRect{0, 0, kMinWindowWidth, kMinWindowHeight}));
        // What was read stays while the window shows it (to the pixel); a changed length is taken; a floor holds.
        QCOMPARE(keptTwips(11505, 767 * 15), 11505.f);
        QCOMPARE(keptTwips(11505, 800 * 15), 12000.f);
        QCOMPARE(keptTwips(2460, 52 * 15, kMinSplitter), kMinSplitter);
    }

    void pageClearOfToolbarAndWheel()
    {
        // A tall page reaching under the toolbar band is raised clear of it.
        PageBox b{3000, 12000};
        view::fit(b, {9000, 6420});
        centre(b, {9000, 6420});
        QVERIFY(b.top + b.height > 6420 - 450);
        keepClearOfBottom(b, {9000, 6420}, 450);
        QVERIFY(b.top + b.height <= 6420 - 450 && b.top >= 0);
        // A page clear of the band, or one too tall to clear it, stays centred.
        for (float h : {3000.f, 6200.f}) {
            PageBox c{3000, h, 0, 0, 3000, h};
            centre(c, {9000, 6420});
            const float top = c.top;
            keepClearOfBottom(c, {9000, 6420}, 450);
            QCOMPARE(c.top, top);
        }
        // The wheel turns pages over a page that fits and scrolls a larger one
        // without showing the frame beyond its edges.
        QVERIFY(fitsView(b, {9000, 6420}));
        QVERIFY(!scrollPage(b, {9000, 6420}, 0, -600));
        PageBox big{12000, 12000, 0, 0, 12000, 12000};
        centre(big, {9000, 6000});
        QVERIFY(!fitsView(big, {9000, 6000}));
        QVERIFY(scrollPage(big, {9000, 6000}, 0, -1000));
        QCOMPARE(big.top, -4000.f);
        QVERIFY(scrollPage(big, {9000, 6000}, 0, -5000));
        QCOMPARE(big.top, -6000.f);
        QVERIFY(!scrollPage(big, {9000, 6000}, 0, -1));
        QVERIFY(scrollPage(big, {9000, 6000}, 9000, 0));
        QCOMPARE(big.left, 0.f);
    }

    void autoPlay()
    {
        // Seconds from 0 (empty) to 32767; the timer ticks each second once there are any.
        for (const auto &[text, seconds] : {std::pair{"", 0}, {"32767", 32767}}) {
            QCOMPARE(parseSeconds(text), std::optional<int>(seconds));
            QCOMPARE(timerInterval(seconds), seconds >= 1 ? 1000 : 0);
        }
        QVERIFY(!parseSeconds("32768"));
        QVERIFY(!parseSeconds("1a"));
        AutoPlayCounter c;
        QVERIFY(!c.tick(3));
        QVERIFY(!c.tick(3));
        QVERIFY(c.tick(3));
        QCOMPARE(c.ticks(), 0);
        // Lowering the interval below the count turns at the next tick.
        QVERIFY(!c.tick(10));
        QVERIFY(!c.tick(10));
        QVERIFY(c.tick(1));
    }

    // The page picture and the pages decoded ahead.
    void largeScans()
    {
        // Shown decoded no larger than the 800 x 800 asked for; a page that claims
        // more than 16000 a side is not a picture and the previous page stays.
        for (const auto &[width, height, bits, shows] : {std::tuple{9000, 9000, 24, true}, {16000, 16000, 8, true},
                                                         {16001, 16000, 8, false}, {60000, 60000, 24, false}}) {
            view::PageImage page;
            QVERIFY(page.load(pictureBytes(40, 30, "JPEG", Qt::red), QSize()));
            QVERIFY2(page.load(bmp(width, height, bits, !shows), QSize(800, 800)) == shows, qPrintable(QString::number(width)));
            QCOMPARE(page.naturalSize(), shows ? QSize(width, height) : QSize(40, 30));
            QVERIFY(!page.image().isNull());
            QVERIFY(page.image().width() <= 800 && page.image().height() <= 800);
        }
        // Run-length coded, a file of 200 KB may hold 16001 x 16001 pixels: refused
        // from the header for its size alone.
        QByteArray rle = bmp(16001, 16001, 8, true);
        qToLittleEndian<quint32>(1, rle.data() + 30);
        rle.append(QByteArray(200000, '\0'));
        const view::PictureDecoder decoder(rle);
        QVERIFY(decoder.isPicture());
        QVERIFY(!decoder.refusal(QSize(800, 800)).isEmpty());
    }


    void onlyPicturesDecode()
    {
        QTemporaryDir dir;
        const QString local = dir.filePath("secret.png"), fifo = dir.filePath("fifo.png");
        QVERIFY(putFile(local, pictureBytes(30, 30, "PNG", Qt::blue)));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // A document that draws another file is no page: the file is never read.
        for (const QString &target : {local, fifo}) {
            const QByteArray svg = svgReading(target);
            QVERIFY(view::PageImage::decodeForDisplay(svg, QSize(100, 100)).isNull());
            QVERIFY(putFile(dir.filePath("page.png"), svg));
            QVERIFY(!view::PictureDecoder::forFile(dir.filePath("page.png"))->isPicture());
        }
        // Nor is a format outside the six, nor a pipe named as a picture.
        QVERIFY(!view::PictureDecoder(QByteArray("P6\n1 1\n255\n\0\0\0", 14)).isPicture());
        QVERIFY(!view::PictureDecoder::forFile(fifo)->isPicture());
        QVERIFY(view::PictureDecoder::forFile(local)->isPicture());
        QCOMPARE(view::PageImage::decodeForDisplay(pictureBytes(30, 30, "JPEG", Qt::blue), QSize(10, 10)).image.size(), QSize(10, 10));
    }

    void turnFindsOnlyWhatMatches()
    {
        // Found only as prefetched: not once zoomed or resized, nor for other bytes
        // under the number, nor for another page; a page that no longer fits is not kept.
        const QByteArray bytes = pictureBytes(800, 1200, "JPEG", Qt::red), other = pictureBytes(800, 1200, "JPEG", Qt::blue);
        for (const auto &[page, hint, sameBytes, found] : {std::tuple{1, QSize(400, 600), true, true}, {1, QSize(200, 300), true, false},
                                                           {1, QSize(400, 600), false, false}, {2, QSize(400, 600), true, false}}) {
            PagePrefetch prefetch;
            prefetch.prefetch(1, bytes, QSize(400, 600));
            prefetch.waitForIdle();
            QCOMPARE(prefetch.take(page, sameBytes ? bytes : other, hint).has_value(), found);
            QCOMPARE(prefetch.holds(1), found || page != 1);
        }
    }

    void takenAsTheTurnWouldDecode()
    {
        const QByteArray bytes = pictureBytes(1600, 2400, "JPEG", Qt::green);
        const QSize hint(533, 800);
        PagePrefetch prefetch;
        prefetch.prefetch(5, bytes, hint);
        prefetch.waitForIdle();
        // Asked again for the same page and hint, nothing new is decoded.
        prefetch.prefetch(5, bytes, hint);
        prefetch.waitForIdle();
        QCOMPARE(prefetch.workerDecodes(), 1);
        const auto taken = prefetch.take(5, bytes, hint);
        QVERIFY(taken);
        QCOMPARE(taken->natural, QSize(1600, 2400));
        QCOMPARE(taken->image, PageImage::decodeForDisplay(bytes, hint).image);
        QVERIFY(taken->image.width() < 1600);
        PageImage image;
        QVERIFY(image.adopt(bytes, *taken));
        QCOMPARE(image.naturalSize(), QSize(1600, 2400));

        // A damaged page is taken as such and, as a fresh load would be, refused: the previous page stays.
        const QByteArray damaged("not a picture");
        prefetch.prefetch(2, damaged, QSize(100, 150));
        const auto bad = prefetch.take(2, damaged, QSize(100, 150));
        QVERIFY(bad && bad->isNull());
        QVERIFY(!image.adopt(damaged, *bad));
        QCOMPARE(image.naturalSize(), QSize(1600, 2400));
        QVERIFY(!image.isNull());
    }

    void holdsThreeAtMost()
    {
        PagePrefetch prefetch;
        QList<QByteArray> pages;
        for (int i = 0; i < 5; ++i)
            pages << pictureBytes(300, 400, "JPEG", QColor(i * 50, 0, 0));
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
        prefetch.keepOnly({3, 7});
        QCOMPARE(prefetch.held(), 1);
        QVERIFY(prefetch.holds(3));
        prefetch.clear();
        QVERIFY(!prefetch.take(3, pages.at(3), QSize(150, 200)));
    }
};

QTEST_GUILESS_MAIN(PageImageTest)

#include "tst_pageimage.moc"
