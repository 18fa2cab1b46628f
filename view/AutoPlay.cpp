#include "view/AutoPlay.h"

namespace korvel::view {

std::optional<int> parseSeconds(const QString &text)
{
    if (text.isEmpty())
        return 0;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v > 32767)
        return std::nullopt;
    return v;
}

} // namespace korvel::view
