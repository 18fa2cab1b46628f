#pragma once

#include <QString>

#include <optional>

namespace korvel::view {

// The seconds box: digits only, read as a 16-bit signed whole number; empty is 0.
// A text that is not a number in 0..32767 (pasted, say) is refused: nullopt.
std::optional<int> parseSeconds(const QString &text);

// The timer interval for a seconds value: 1000 ms when at least 1, else 0 (no ticks).
inline int timerInterval(int seconds)
{
    return seconds >= 1 ? 1000 : 0;
}

// The tick counter of auto-play. It lives across starts and stops: it is not
// reset when auto-play is toggled, only when a page turns.
class AutoPlayCounter {
public:
    // One tick; true when the page should turn now.
    bool tick(int seconds)
    {
        ++m_ticks;
        if (m_ticks >= seconds) {
            m_ticks = 0;
            return true;
        }
        return false;
    }
    int ticks() const { return m_ticks; }

private:
    int m_ticks = 0;
};

} // namespace korvel::view
