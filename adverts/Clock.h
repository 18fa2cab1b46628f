#pragma once

#include <QPointer>
#include <QTimer>

#include <vector>

namespace korvel::adverts {

// What the advert timers run on. The timers stay ordinary QTimers with their
// own names, intervals and single-shot settings; the clock only decides what
// drives them. The program's clock is the system's; a test holds a
// SteppedClock and moves it on by hand, so ten minutes pass at once.
class Clock {
public:
    virtual ~Clock() = default;
    // Starts (or restarts) the timer with its interval as set.
    virtual void start(QTimer *timer) = 0;
    virtual void stop(QTimer *timer) = 0;
};

// Real time: the timers run themselves.
class SystemClock final : public Clock {
public:
    void start(QTimer *timer) override { timer->start(); }
    void stop(QTimer *timer) override { timer->stop(); }
    // The one the program uses when it is given none.
    static SystemClock &instance();
};

// Time that moves only when advanced. The timers it holds never run on their
// own (QTimer::isActive() stays false); advance() makes each one time out
// when its time comes, in the order they fall due.
class SteppedClock final : public Clock {
public:
    void start(QTimer *timer) override;
    void stop(QTimer *timer) override;

    // Moves time on by ms, timing out every held timer that falls due on the
    // way. A timer started meanwhile takes part when it falls due in time.
    void advance(qint64 ms);
    // Milliseconds since the clock was made.
    qint64 now() const { return m_now; }
    bool isRunning(const QTimer *timer) const;
    // How many timers are running on this clock.
    int runningCount() const;

private:
    struct Entry {
        QPointer<QTimer> timer;
        qint64 due;
        quint64 order; // ties at the same time go in the order they were scheduled
    };
    void prune();
    std::vector<Entry> m_entries;
    qint64 m_now = 0;
    quint64 m_order = 0;
};

} // namespace korvel::adverts
