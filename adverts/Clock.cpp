#include "adverts/Clock.h"

#include <algorithm>

namespace korvel::adverts {

SystemClock &SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}

void SteppedClock::start(QTimer *timer)
{
    stop(timer);
    // A zero interval times out at the next step, as a running timer does at
    // the next pass of the event loop.
    m_entries.push_back({timer, m_now + std::max(0, timer->interval()), m_order++});
}

void SteppedClock::stop(QTimer *timer)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [timer](const Entry &e) { return e.timer == timer; }),
                    m_entries.end());
}

void SteppedClock::prune()
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [](const Entry &e) { return !e.timer; }),
                    m_entries.end());
}

void SteppedClock::advance(qint64 ms)
{
    const qint64 until = m_now + std::max<qint64>(0, ms);
    for (;;) {
        prune();
        const auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == m_entries.end() || next->due > until)
            break;
        m_now = next->due;
        QPointer<QTimer> timer = next->timer;
        // Rescheduled before it times out, so what its handlers do with it
        // (stop it, restart it, delete it) is what counts.
        if (timer->isSingleShot()) {
            m_entries.erase(next);
        } else {
            // A repeating timer of interval 0 would fire for ever within one step.
            next->due = m_now + std::max(1, timer->interval());
            next->order = m_order++;
        }
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    }
    m_now = until;
}

bool SteppedClock::isRunning(const QTimer *timer) const
{
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [timer](const Entry &e) { return e.timer && e.timer == timer; });
}

int SteppedClock::runningCount() const
{
    return int(std::count_if(m_entries.begin(), m_entries.end(), [](const Entry &e) { return !e.timer.isNull(); }));
}

} // namespace korvel::adverts
