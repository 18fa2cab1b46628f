// The stepped clock the advert timers run on in tests: timers time out when
// their time comes, in order, and what their handlers do to timers is safe.
#include "adverts/Clock.h"

#include <QTest>

#include <memory>

using namespace korvel::adverts;

class ClockTest : public QObject {
    Q_OBJECT

private slots:
    void repeatingTimersFallDueOnTheMinute();
    void singleShotAndStop();
    void handlersStartStopAndDeleteTimers();
    void sameTimeInStartOrder();
    void zeroIntervalDoesNotHang();
};

namespace {

QTimer *timer(QObject *parent, int interval, bool singleShot = false)
{
    auto *t = new QTimer(parent);
    t->setInterval(interval);
    t->setSingleShot(singleShot);
    return t;
}

} // namespace

void ClockTest::repeatingTimersFallDueOnTheMinute()
{
    QObject owner;
    SteppedClock clock;
    QTimer *minute = timer(&owner, 60000);
    int ticks = 0;
    connect(minute, &QTimer::timeout, [&] { ++ticks; });
    clock.start(minute);
    QVERIFY(!minute->isActive()); // it never runs on real time
    QVERIFY(clock.isRunning(minute));
    clock.advance(59999);
    QCOMPARE(ticks, 0);
    clock.advance(1);
    QCOMPARE(ticks, 1);
    clock.advance(9 * 60000 - 1);
    QCOMPARE(ticks, 9);
    clock.advance(1);
    QCOMPARE(ticks, 10);
    QCOMPARE(clock.now(), 600000);
}

void ClockTest::singleShotAndStop()
{
    QObject owner;
    SteppedClock clock;
    QTimer *once = timer(&owner, 1, true);
    QTimer *stopped = timer(&owner, 10);
    int onceTicks = 0, stoppedTicks = 0;
    connect(once, &QTimer::timeout, [&] { ++onceTicks; });
    connect(stopped, &QTimer::timeout, [&] { ++stoppedTicks; });
    clock.start(once);
    clock.start(stopped);
    clock.advance(0);
    QCOMPARE(onceTicks, 0);
    clock.advance(25);
    QCOMPARE(onceTicks, 1);
    QVERIFY(!clock.isRunning(once));
    QCOMPARE(stoppedTicks, 2);
    clock.stop(stopped);
    clock.advance(100);
    QCOMPARE(stoppedTicks, 2);
    QCOMPARE(clock.runningCount(), 0);
    // Starting again counts from now.
    clock.start(stopped);
    clock.advance(9);
    QCOMPARE(stoppedTicks, 2);
    clock.advance(1);
    QCOMPARE(stoppedTicks, 3);
}

void ClockTest::handlersStartStopAndDeleteTimers()
{
    QObject owner;
    SteppedClock clock;
    QTimer *cycle = timer(&owner, 600000);
    QTimer *child = nullptr;
    QList<qint64> childTicks;
    // Each cycle makes a timer of its own that times out a minute later and
    // is deleted there, as the advert window's is.
    connect(cycle, &QTimer::timeout, [&] {
        child = timer(nullptr, 60000, true);
        connect(child, &QTimer::timeout, [&] {
            childTicks << clock.now();
            delete child;
            child = nullptr;
        });
        clock.start(child);
    });
    clock.start(cycle);
    clock.advance(1300000);
    QCOMPARE(childTicks, (QList<qint64>{660000, 1260000}));
    QCOMPARE(clock.runningCount(), 1);

    // A timer deleted while held is dropped.
    auto doomed = std::unique_ptr<QTimer>(timer(nullptr, 5));
    clock.start(doomed.get());
    doomed.reset();
    clock.advance(10);
    QCOMPARE(clock.runningCount(), 1);
}

void ClockTest::sameTimeInStartOrder()
{
    QObject owner;
    SteppedClock clock;
    QStringList order;
    for (const QString &name : {QStringLiteral("timTopAD"), QStringLiteral("timAD")}) {
        QTimer *t = timer(&owner, 60000);
        connect(t, &QTimer::timeout, [&order, name] { order << name; });
        clock.start(t);
    }
    clock.advance(120000);
    QCOMPARE(order, (QStringList{"timTopAD", "timAD", "timTopAD", "timAD"}));
}

void ClockTest::zeroIntervalDoesNotHang()
{
    QObject owner;
    SteppedClock clock;
    QTimer *busy = timer(&owner, 0);
    int ticks = 0;
    connect(busy, &QTimer::timeout, [&] { ++ticks; });
    clock.start(busy);
    clock.advance(10);
    QVERIFY(ticks > 0 && ticks <= 11);
}

QTEST_APPLESS_MAIN(ClockTest)
#include "tst_clock.moc"
