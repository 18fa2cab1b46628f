// The advert schedule on its own: when the advert window is due, what the
// banner does on a tick, how the offline page is recognised, and where the
// advert window goes on screens with and without a bottom panel.
#include "adverts/AdvertSchedule.h"
#include "adverts/Placement.h"

#include <QTest>

using namespace korvel::adverts;

Q_DECLARE_METATYPE(korvel::adverts::BannerStep)

namespace {

const QString kOffline = QStringLiteral("file:///tmp/app/top.html");
const QString kOnline = QStringLiteral("http://127.0.0.1:9/Korvel/TopAD.html");

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void advertTicks_data();
    void advertTicks();
    void bannerTicks_data();
    void bannerTicks();
    void onlineAddressAsTheBannerReportsIt();
    void offlineAddressOfAnyFolder_data();
    void offlineAddressOfAnyFolder();
    void placement_data();
    void placement();
};

void ScheduleTest::advertTicks_data()
{
    // One character a minute: the connection at that tick, and whether the
    // advert window comes up on it.
    QTest::addColumn<QString>("online");
    QTest::addColumn<QString>("shown");
    QTest::newRow("online throughout: tick 10 and 20, not 9")
        << QStringLiteral("11111111111111111111") << QStringLiteral("00000000010000000001");
    QTest::newRow("offline at the tenth: the count starts again")
        << QStringLiteral("111111111011111111111") << QStringLiteral("000000000000000000010");
    QTest::newRow("offline between attempts does not count")
        << QStringLiteral("0000000001000000000100") << QStringLiteral("0000000001000000000100");
    QTest::newRow("gone at the tenth, back at the eleventh")
        << QStringLiteral("1111111110111111111111") << QStringLiteral("0000000000000000000100");
}

void ScheduleTest::advertTicks()
{
    QFETCH(QString, online);
    QFETCH(QString, shown);
    int tick = 0;
    int tests = 0;
    AdvertSchedule schedule(
        [&] {
            ++tests;
            return online.at(tick) == QLatin1Char('1');
        },
        kOffline, kOnline);
    int attempts = 0;
    for (tick = 0; tick < online.size(); ++tick) {
        const bool expected = shown.at(tick) == QLatin1Char('1');
        QVERIFY2(schedule.advertTick() == expected, qPrintable(QStringLiteral("tick %1").arg(tick + 1)));
        if ((tick + 1) % AdvertSchedule::kTicksPerAdvert == 0) {
            ++attempts;
            QCOMPARE(schedule.isConnected(), online.at(tick) == QLatin1Char('1'));
            QCOMPARE(schedule.advertTicks(), 0);
        }
    }
    // Only every tenth tick tests the connection.
    QCOMPARE(tests, attempts);
}

void ScheduleTest::bannerTicks_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<BannerStep>("step");
    QTest::newRow("offline page, back online") << kOffline << true << BannerStep::GoOnline;
    QTest::newRow("offline page, still offline") << kOffline << false << BannerStep::Keep;
    QTest::newRow("online page, online") << kOnline << true << BannerStep::Reload;
    QTest::newRow("online page, gone offline: never back") << kOnline << false << BannerStep::Keep;
    // Only the exact address is the offline page.
    QTest::newRow("other case") << QStringLiteral("file:///tmp/app/Top.html") << true << BannerStep::Keep;
    QTest::newRow("with a host") << QStringLiteral("file://localhost/tmp/app/top.html") << true << BannerStep::Keep;
    QTest::newRow("doubled slash") << QStringLiteral("file:///tmp/app//top.html") << true << BannerStep::Keep;
    QTest::newRow("with a query") << QStringLiteral("file:///tmp/app/top.html?x=1") << true << BannerStep::Keep;
    QTest::newRow("online page elsewhere") << QStringLiteral("http://127.0.0.1:9/korvel/TopAD.html") << true
                                           << BannerStep::Keep;
    QTest::newRow("blank") << QStringLiteral("about:blank") << true << BannerStep::Keep;
    QTest::newRow("nothing loaded") << QString() << true << BannerStep::Keep;
}

void ScheduleTest::bannerTicks()
{
    QFETCH(QString, current);
    QFETCH(bool, connected);
    QFETCH(BannerStep, step);
    bool online = !connected;
    AdvertSchedule schedule([&] { return online; }, kOffline, kOnline);
    QCOMPARE(schedule.startUp(), !connected);
    online = connected;
    QCOMPARE(schedule.bannerTick(QUrl(current)), step);
    // Every banner tick brings the flag up to date.
    QCOMPARE(schedule.isConnected(), connected);
}

void ScheduleTest::onlineAddressAsTheBannerReportsIt()
{
    // A root written with capitals comes back from the banner in lower case.
    AdvertSchedule schedule([] { return true; }, kOffline, QStringLiteral("http://LocalHost:9/Korvel/TopAD.html"));
    QCOMPARE(schedule.bannerTick(QUrl(QStringLiteral("http://localhost:9/Korvel/TopAD.html"))), BannerStep::Reload);
}

void ScheduleTest::offlineAddressOfAnyFolder_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::newRow("plain") << QStringLiteral("/opt/korvel");
    QTest::newRow("blanks") << QStringLiteral("/home/a b/Korvel 2009");
    QTest::newRow("chinese") << QStringLiteral("/home/用户/连环画");
    QTest::newRow("percent and hash") << QStringLiteral("/srv/100%/#1");
}

void ScheduleTest::offlineAddressOfAnyFolder()
{
    // The banner is pointed at the local file by path; the address it then
    // reports must read as "file://" + that path, or it never goes online.
    QFETCH(QString, appDir);
    const QUrl shown = QUrl::fromLocalFile(offlineBannerPath(appDir));
    QCOMPARE(addressText(QUrl(QString::fromLatin1(shown.toEncoded()))), offlineBannerAddress(appDir));
    AdvertSchedule schedule([] { return true; }, offlineBannerAddress(appDir), kOnline);
    QCOMPARE(schedule.bannerTick(shown), BannerStep::GoOnline);
}

void ScheduleTest::placement_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("below");
    QTest::addColumn<QPoint>("raised");
    const QRect hd(0, 0, 1920, 1080);
    const QSize ad(250, 180);
    QTest::newRow("no panel") << hd << hd << ad << QPoint(1670, 1080) << QPoint(1670, 900);
    QTest::newRow("bottom panel") << hd << QRect(0, 0, 1920, 1040) << ad << QPoint(1670, 1080) << QPoint(1670, 860);
    QTest::newRow("top panel only") << hd << QRect(0, 30, 1920, 1050) << ad << QPoint(1670, 1080)
                                    << QPoint(1670, 900);
    QTest::newRow("top and bottom panels") << hd << QRect(0, 30, 1920, 1010) << ad << QPoint(1670, 1080)
                                           << QPoint(1670, 860);
    QTest::newRow("side panel") << hd << QRect(64, 0, 1856, 1080) << ad << QPoint(1670, 1080) << QPoint(1670, 900);
    QTest::newRow("second screen with a panel") << QRect(1920, 120, 1280, 1024) << QRect(1920, 120, 1280, 984) << ad
                                                << QPoint(2950, 1144) << QPoint(2950, 924);
    QTest::newRow("no free area reported") << hd << QRect() << ad << QPoint(1670, 1080) << QPoint(1670, 900);
    QTest::newRow("just fits above the panel") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 420) << ad
                                               << QPoint(550, 600) << QPoint(550, 240);
    QTest::newRow("taller than the room: top stays on screen")
        << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 500) << QSize(250, 560) << QPoint(550, 600) << QPoint(550, 0);
}

void ScheduleTest::placement()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, available);
    QFETCH(QSize, window);
    QFETCH(QPoint, below);
    QFETCH(QPoint, raised);
    QCOMPARE(advertBelowScreen(screen, window), below);
    QCOMPARE(advertAbovePanel(screen, available, window), raised);
}

QTEST_APPLESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
