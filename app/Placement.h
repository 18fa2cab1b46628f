#pragma once

#include "view/Twips.h"

#include <QWidget>

namespace korvel::app {

// Puts a widget where a rectangle in twips says. A rectangle the widget
// cannot take (a negative side) is not applied, as the geometry layer skips
// a step it rejects.
inline void place(QWidget *w, const TwipsRect &r)
{
    if (r.width < 0 || r.height < 0)
        return;
    w->setGeometry(r.toPixels());
}

} // namespace korvel::app
