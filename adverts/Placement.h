#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace korvel::adverts {

// Where the advert window goes, in logical pixels, from the screen's whole
// rectangle and the part of it the desktop's panels leave free.

// The height of a panel along the bottom of the screen; 0 when there is none.
int bottomPanelHeight(const QRect &screen, const QRect &available);

// At the right edge, just below the bottom of the screen (out of sight).
QPoint advertBelowScreen(const QRect &screen, const QSize &window);

// At the right edge, just above a bottom panel (or the screen's bottom edge).
// A window taller than that room keeps its top on the screen, so its close
// mark can always be reached.
QPoint advertAbovePanel(const QRect &screen, const QRect &available, const QSize &window);

} // namespace korvel::adverts
