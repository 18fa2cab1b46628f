// The advert schedule on its own: when the advert window is due, what the
// banner does on a tick, and where the advert window goes.
#include "adverts/AdvertSchedule.h"
#include "adverts/Placement.h"

#include <QTest>

using namespace korvel::adverts;

namespace {

const QString kOffline = QStringLiteral("file:///tmp/app/top.html");
const QString kOnline = QStringLiteral("http://127.0.0.1:9/Korvel/TopAD.html");

} // namespace

class ScheduleTest : public QObject {
    Q_OBJECT

private slots:
    void advertTicks()
    {
        // One character a minute: the connection at that tick, and whether
        // the advert window comes up on it.
        const QList<std::pair<QString, QString>> cases = {
            {"11111111111111111111", "00000000010000000001"},     // online: tick 10 and 20, not 9
            {"1111111110111111111111", "0000000000000000000100"}, // offline at the tenth starts again
            {"0000000001000000000100", "0000000001000000000100"}, // offline between attempts
        };
        for (const auto &[online, shown] : cases) {
            int tick = 0, tests = 0;
            AdvertSchedule schedule(
                [&] {
                    ++tests;
                    return online.at(tick) == QLatin1Char('1');
                },
                kOffline, kOnline);
            for (tick = 0; tick < online.size(); ++tick) {
                QVERIFY2(schedule.advertTick() == (shown.at(tick) == QLatin1Char('1')),
                         qPrintable(online + " tick " + QString::number(tick + 1)));
                if ((tick + 1) % 10 == 0)
                    QCOMPARE(schedule.isConnected(), online.at(tick) == QLatin1Char('1'));
            }
            // Only every tenth tick tests the connection.
            QCOMPARE(tests, online.size() / 10);
        }
    }

    void bannerTicks()
    {
        // The banner's address, the connection, and what the tick does.
        const QList<std::tuple<QString, bool, BannerStep>> cases = {
            {kOffline, true, BannerStep::GoOnline},
            {kOnline, true, BannerStep::Reload},
            {kOnline, false, BannerStep::Keep},
            // Only the exact address is the offline page.
            {"file:///tmp/app/Top.html", true, BannerStep::Keep},
            {"file:///tmp/app/top.html?x=1", true, BannerStep::Keep},
        };
        for (const auto &[current, connected, step] : cases) {
            bool online = !connected;
            AdvertSchedule schedule([&] { return online; }, kOffline, kOnline);
            schedule.startUp();
            online = connected;
            QVERIFY2(schedule.bannerTick(QUrl(current)) == step, qPrintable(current));
            QCOMPARE(schedule.isConnected(), connected);
        }

        // The banner is pointed at the file by path; the address it reports
        // then (escaped, as the browser writes it) is taken for the offline page.
        const QString appDir = "/srv/100%/#1";
        const QUrl reported(QString::fromLatin1(QUrl::fromLocalFile(offlineBannerPath(appDir)).toEncoded()));
        AdvertSchedule schedule([] { return true; }, offlineBannerAddress(appDir), kOnline);
        QVERIFY(schedule.bannerTick(reported) == BannerStep::GoOnline);
    }

    void placement()
    {
        struct Case {
            QRect screen, available;
            QSize window;
            QPoint below, raised;
        };
        const QRect hd(0, 0, 1920, 1080);
        const QSize ad(250, 180);
        const QList<Case> cases = {
            {hd, QRect(), ad, {1670, 1080}, {1670, 900}}, // no free area reported
            {{1920, 120, 1280, 1024}, {1920, 120, 1280, 984}, ad, {2950, 1144}, {2950, 924}}, // second screen, panel
            {{0, 0, 800, 600}, {0, 0, 800, 500}, {250, 560}, {550, 600}, {550, 0}}, // taller than the room
        };
        for (const Case &c : cases) {
            QCOMPARE(advertBelowScreen(c.screen, c.window), c.below);
            QCOMPARE(advertAbovePanel(c.screen, c.available, c.window), c.raised);
        }
    }
};

QTEST_APPLESS_MAIN(ScheduleTest)
#include "tst_schedule.moc"
