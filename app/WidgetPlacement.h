#pragma once

#include "view/Twips.h"
#include "view/WindowLayout.h"

#include <QGuiApplication>
#include <QScreen>
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

// A stored window rectangle on the screen it opens on (the one holding its
// middle, else the primary one), whole, shrunk to the free area if need be.
inline TwipsRect placeOnScreen(const TwipsRect &stored)
{
    const QRect r = stored.toPixels();
    QScreen *screen = QGuiApplication::screenAt(r.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return stored;
    const QRect a = screen->availableGeometry();
    return view::keepOnScreen(stored, {toTwips(a.x()), toTwips(a.y()), toTwips(a.width()), toTwips(a.height())});
}

} // namespace korvel::app
