// The advert schedule on its own: when the advert window is due, what the
// banner does on a tick, and where the advert window goes.
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
    QTest::newRow("online: tick 10 and 20, not 9") << "11111111111111111111" << "00000000010000000001";
    QTest::newRow("offline at the tenth starts again") << "1111111110111111111111" << "0000000000000000000100";
    QTest::newRow("offline between attempts") << "0000000001000000000100" << "0000000001000000000100";
}

void ScheduleTest::advertTicks()
{
    QFETCH(QString, online);
    QFETCH(QString, shown);
    int tick = 0, tests = 0;
    AdvertSchedule schedule(
        [&] {
            ++tests;
            return online.at(tick) == QLatin1Char('1');
        },
        kOffline, kOnline);
    for (tick = 0; tick < online.size(); ++tick) {
        QVERIFY2(schedule.advertTick() == (shown.at(tick) == QLatin1Char('1')), qPrintable(QString::number(tick + 1)));
        if ((tick + 1) % 10 == 0)
            QCOMPARE(schedule.isConnected(), online.at(tick) == QLatin1Char('1'));
    }
    // Only every tenth tick tests the connection.
    QCOMPARE(tests, online.size() / 10);
}

void ScheduleTest::bannerTicks_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<BannerStep>("step");
    QTest::newRow("offline page, back online") << kOffline << true << BannerStep::GoOnline;
    QTest::newRow("online page, online") << kOnline << true << BannerStep::Reload;
    QTest::newRow("online page, gone offline") << kOnline << false << BannerStep::Keep;
    // Only the exact address is the offline page.
    QTest::newRow("other case") << "file:///tmp/app/Top.html" << true << BannerStep::Keep;
    QTest::newRow("with a query") << "file:///tmp/app/top.html?x=1" << true << BannerStep::Keep;
}

void ScheduleTest::bannerTicks()
{
    QFETCH(QString, current);
    QFETCH(bool, connected);
    QFETCH(BannerStep, step);
    bool online = !connected;
    AdvertSchedule schedule([&] { return online; }, kOffline, kOnline);
    schedule.startUp();
    online = connected;
    QCOMPARE(schedule.bannerTick(QUrl(current)), step);
    QCOMPARE(schedule.isConnected(), connected);
}

void ScheduleTest::offlineAddressOfAnyFolder_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::newRow("percent and hash") << "/srv/100%/#1";
}

void ScheduleTest::offlineAddressOfAnyFolder()
{
    // The banner is pointed at the file by path; the address it reports then
    // (escaped, as the browser writes it) must be taken for the offline page.
    QFETCH(QString, appDir);
    const QUrl reported(QString::fromLatin1(QUrl::fromLocalFile(offlineBannerPath(appDir)).toEncoded()));
    AdvertSchedule schedule([] { return true; }, offlineBannerAddress(appDir), kOnline);
    QCOMPARE(schedule.bannerTick(reported), BannerStep::GoOnline);
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
    QTest::newRow("no free area reported") << hd << QRect() << ad << QPoint(1670, 1080) << QPoint(1670, 900);
    QTest::newRow("second screen, panel") << QRect(1920, 120, 1280, 1024) << QRect(1920, 120, 1280, 984) << ad << QPoint(2950, 1144) << QPoint(2950, 924);
    QTest::newRow("taller than the room") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 500) << QSize(250, 560) << QPoint(550, 600) << QPoint(550, 0);
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
