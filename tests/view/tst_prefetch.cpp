#include "view/PageImage.h"
#include "view/PagePrefetch.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

using namespace korvel::view;

namespace {

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

} // namespace

class PrefetchTest : public QObject {
    Q_OBJECT
private slots:
    void turnFindsOnlyWhatMatches_data();
    void turnFindsOnlyWhatMatches();
    void decodedAsTheTurnWould();
    void damagedPageFailsWhenTurnedTo();
    void holdsThreeAtMost();
    void keepOnlyAndClear();
};

void PrefetchTest::turnFindsOnlyWhatMatches_data()
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

void PrefetchTest::turnFindsOnlyWhatMatches()
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

void PrefetchTest::decodedAsTheTurnWould()
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

void PrefetchTest::damagedPageFailsWhenTurnedTo()
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

void PrefetchTest::holdsThreeAtMost()
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

void PrefetchTest::keepOnlyAndClear()
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

QTEST_GUILESS_MAIN(PrefetchTest)

#include "tst_prefetch.moc"
