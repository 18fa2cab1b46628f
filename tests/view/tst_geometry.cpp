// Page geometry and window layout in twips: fit, zoom limits, centring, the
// half-page rule, the splitter and minimum size, and the auto-play counter.
#include "view/WindowLayout.h"
#include "view/AutoPlay.h"
#include "view/Geometry.h"
#include "view/Twips.h"

#include <QTest>

using namespace korvel;
using namespace korvel::view;

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void fit_data();
    void fit();
    void zoomStopsAtTheFitAnd300();
    void tinyFrameSkipsTheStepItCannotTake();
    void halfPageRule();
    void splitterAndPanes_data();
    void splitterAndPanes();
    void minimumWindowSize();
    void pageClearOfToolbarAndWheel();
    void windowOnScreenAndKeptLengths();
    void secondsBox_data();
    void secondsBox();
    void autoPlayCounter();
};

static PageBox page(float w, float h)
{
    PageBox b;
    b.naturalWidth = w;
    b.naturalHeight = h;
    return b;
}

void GeometryTest::fit_data()
{
    QTest::addColumn<float>("w");
    QTest::addColumn<float>("h");
    QTest::addColumn<float>("fw");
    QTest::addColumn<float>("fh");
    QTest::addColumn<float>("ew");
    QTest::addColumn<float>("eh");
    QTest::addColumn<float>("etop");
    // A page that fits keeps its own size and is centred.
    QTest::newRow("fits") << 3000.f << 4000.f << 9000.f << 6000.f << 3000.f << 4000.f << 1000.f;
    // Exactly at the limit: not reduced.
    QTest::newRow("height at limit") << 3000.f << 5225.f << 9000.f << 6000.f << 3000.f << 5225.f << 387.5f;
    // Wide page in a tall frame: the width limits.
    QTest::newRow("wide") << 18000.f << 6000.f << 9000.f << 12000.f << 9000.f << 3000.f << 4500.f;
    // Tall page: the frame height less 775, centred in the full height.
    QTest::newRow("tall") << 3000.f << 12000.f << 9000.f << 6000.f << 1306.25f << 5225.f << 387.5f;
    // Both limits: width first, then height.
    QTest::newRow("large") << 36000.f << 48000.f << 9000.f << 6000.f << 3918.75f << 5225.f << 387.5f;
}

void GeometryTest::fit()
{
    QFETCH(float, w);
    QFETCH(float, h);
    QFETCH(float, fw);
    QFETCH(float, fh);
    QFETCH(float, ew);
    QFETCH(float, eh);
    QFETCH(float, etop);
    PageBox b = page(w, h);
    view::fit(b, {fw, fh});
    centre(b, {fw, fh});
    QCOMPARE(b.width, ew);
    QCOMPARE(b.height, eh);
    QCOMPARE(b.top, etop);
    QCOMPARE(b.left, (fw - ew) / 2);
}

void GeometryTest::zoomStopsAtTheFitAnd300()
{
    const ViewSize frame{9000, 6000};
    PageBox b = page(3000, 12000);
    view::fit(b, frame);
    const PageBox fitted = b;
    zoomIn(b, frame);
    QCOMPARE(b.width, fitted.width);
    QCOMPARE(b.height, fitted.height);
    for (int i = 0; i < 20; ++i)
        zoomOut(b);
    QVERIFY(b.height < fitted.height);
    for (int i = 0; i < 100; ++i)
        zoomIn(b, frame);
    QCOMPARE(b.height, fitted.height);
    QCOMPARE(b.width, fitted.width);
    // A small page grows 1 % a step above its own size, up to the fit.
    PageBox small = page(1500, 1500);
    view::fit(small, frame);
    zoomIn(small, frame);
    QCOMPARE(small.width, 1515.0f);
    // Zooming out stops when the shorter side is 300 twips.
    for (const QSizeF size : {QSizeF(3000, 6000), QSizeF(6000, 3000)}) {
        PageBox b = page(size.width(), size.height());
        view::fit(b, {90000, 90000});
        for (int i = 0; i < 1000; ++i)
            zoomOut(b);
        QCOMPARE(QSizeF(b.width, b.height), size / 10);
    }
}

void GeometryTest::tinyFrameSkipsTheStepItCannotTake()
{
    // A frame lower than the allowance: the height step is skipped, the width one still applies.
    PageBox b = page(6000, 3000);
    view::fit(b, {3000, 500});
    QCOMPARE(b.width, 3000.0f);
    QCOMPARE(b.height, 1500.0f);
    // No picture: sizes stay zero, nothing divides by zero.
    PageBox none = page(0, 0);
    view::fit(none, {3000, 3000});
    zoomOut(none);
    zoomIn(none, {3000, 3000});
    QCOMPARE(none.width, 0.0f);
}

void GeometryTest::halfPageRule()
{
    QVERIFY(isRightHalf(150, 300));
    QVERIFY(!isRightHalf(149.9f, 300));
    QVERIFY(isRightHalf(0, 0));
}

void GeometryTest::splitterAndPanes_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("expected");
    QTest::newRow("stored 100 comes up 800") << 100.f << 11505.f << 800.f;
    QTest::newRow("800") << 800.f << 11505.f << 800.f;
    QTest::newRow("past the right end") << 11000.f << 11505.f << 10705.f;
    QTest::newRow("narrower window re-clamps") << 7500.f << 8000.f << 7200.f;
}

void GeometryTest::splitterAndPanes()
{
    QFETCH(float, x);
    QFETCH(float, width);
    QFETCH(float, expected);
    view::LayoutInput in;
    in.width = width;
    in.innerWidth = width - 120;
    in.innerHeight = 7000;
    in.coolBarHeight = 510;
    in.picTitleHeight = 375;
    in.picBottomHeight = 420;
    in.tzbBottomWidth[0] = in.tzbBottomWidth[1] = 900;
    const view::Layout l = view::computeLayout(in, x);
    QCOMPARE(l.splitter, expected);
    QCOMPARE(l.picView.left, expected + 75);
    QCOMPARE(l.picView.width, width - expected - 215);
    QCOMPARE(l.tvTreeView.width, expected - 30);
}

void GeometryTest::minimumWindowSize()
{
    float w = 0, h = 0;
    QVERIFY(view::enforceMinimum(7999, 4000, w, h));
    QCOMPARE(w, 8000.f); // width first; the height follows on the next pass
    QCOMPARE(h, 4000.f);
    QVERIFY(view::enforceMinimum(8000, 4999, w, h));
    QCOMPARE(h, 5000.f);
    QVERIFY(!view::enforceMinimum(8000, 5000, w, h));
}

void GeometryTest::pageClearOfToolbarAndWheel()
{
    // A tall page at the default frame (6420 twips high) is centred with its
    // lower 62.5 twips under the 450-twip toolbar: raised clear of it, whole pixels.
    PageBox b = page(3000, 12000);
    view::fit(b, {9000, 6420});
    centre(b, {9000, 6420});
    QVERIFY(b.top + b.height > 6420 - 450);
    keepClearOfBottom(b, {9000, 6420}, 450);
    QVERIFY(b.top + b.height <= 6420 - 450);
    QCOMPARE(b.top, 315.f);
    // A page clear of the band, or one too tall to clear it, stays centred.
    for (float h : {3000.f, 6200.f}) {
        PageBox c = page(3000, h);
        c.width = 3000, c.height = h;
        centre(c, {9000, 6420});
        const float top = c.top;
        keepClearOfBottom(c, {9000, 6420}, 450);
        QCOMPARE(c.top, top);
    }

    // The wheel turns pages over a page that fits and scrolls a larger one
    // without showing the frame beyond its edges.
    QVERIFY(fitsView(b, {9000, 6420}));
    QVERIFY(!scrollPage(b, {9000, 6420}, 0, -600));
    PageBox big = page(12000, 12000);
    big.width = big.height = 12000;
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

void GeometryTest::windowOnScreenAndKeptLengths()
{
    // A position stored for a monitor that is gone comes back on the screen.
    const TwipsRect screen{0, 0, 24000, 15000};
    QCOMPARE(keepOnScreen({90000, -3000, 11505, 8145}, screen), (TwipsRect{12495, 0, 11505, 8145}));
    // The default window at scale 2 on a 1600x1000 screen (800x500 logical
    // pixels, a 40-pixel panel at the bottom): shrunk to the free height.
    QCOMPARE(keepOnScreen({100, 100, 11505, 8145}, {0, 0, 12000, 6900}), (TwipsRect{100, 0, 11505, 6900}));
    // A window that fits stays exactly as stored, on a second screen too.
    QCOMPARE(keepOnScreen({24100, 100, 11505, 8145}, {24000, 0, 24000, 15000}), (TwipsRect{24100, 100, 11505, 8145}));
    // Never below the minimum size: it then keeps the screen's top left.
    QCOMPARE(keepOnScreen({500, 500, 11505, 8145}, {0, 0, 6000, 4000}), (TwipsRect{0, 0, 8000, 5000}));

    // What was read stays while the window shows it; a changed length is
    // taken from the window; a minimum holds.
    QCOMPARE(keptTwips(11505, 767 * 15), 11505.f);
    QCOMPARE(keptTwips(1505, 100 * 15), 1505.f);
    QCOMPARE(keptTwips(11505, 800 * 15), 12000.f);
    QCOMPARE(keptTwips(800, 53 * 15, kMinSplitter), 800.f);
    QCOMPARE(keptTwips(2460, 52 * 15, kMinSplitter), 800.f);
}

void GeometryTest::secondsBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty is 0") << "" << 0 << true;
    QTest::newRow("32767") << "32767" << 32767 << true;
    QTest::newRow("32768 refused") << "32768" << 0 << false;
    QTest::newRow("letters refused") << "1a" << 0 << false;
    QTest::newRow("minus refused") << "-3" << 0 << false;
}

void GeometryTest::secondsBox()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);
    QFETCH(bool, accepted);
    const auto v = parseSeconds(text);
    QCOMPARE(v.has_value(), accepted);
    if (accepted) {
        QCOMPARE(*v, seconds);
        QCOMPARE(timerInterval(*v), seconds >= 1 ? 1000 : 0);
    }
}

void GeometryTest::autoPlayCounter()
{
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

QTEST_APPLESS_MAIN(GeometryTest)
#include "tst_geometry.moc"
