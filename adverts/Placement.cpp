#include "adverts/Placement.h"

#include <algorithm>

namespace korvel::adverts {

int bottomPanelHeight(const QRect &screen, const QRect &available)
{
    if (!available.isValid() || !screen.isValid())
        return 0;
    const int screenBottom = screen.y() + screen.height();
    const int freeBottom = available.y() + available.height();
    return std::clamp(screenBottom - freeBottom, 0, screen.height());
}

QPoint advertBelowScreen(const QRect &screen, const QSize &window)
{
    return {screen.x() + screen.width() - window.width(), screen.y() + screen.height()};
}

QPoint advertAbovePanel(const QRect &screen, const QRect &available, const QSize &window)
{
    const int top = screen.y() + screen.height() - window.height() - bottomPanelHeight(screen, available);
    return {screen.x() + screen.width() - window.width(), std::max(screen.y(), top)};
}

} // namespace korvel::adverts
