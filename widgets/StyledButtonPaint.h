#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>

class QPainter;

namespace korvel::widgets {

// What a style painter needs to know to draw the face.
struct TzFace {
    QRect rect;
    int state = 0;        // 0 normal, 1 hot, 2 pressed
    bool enabled = true;
    bool isDefault = false;
    bool hasFocus = false;
    bool checked = false; // a set Value of a style that draws it itself (0, 3, 9)
    QColor face;          // BackColor
    QColor text;          // ForeColor
    QColor disabledText;
    QColor highlight;
};

// How the caption and picture sit on the face the painter drew.
struct TzCaptionLook {
    QPoint offset;
    QColor color;
    bool underline = false;
    bool etched = false; // disabled text with a light shadow
};

// Draws the face of a style (0..15; 0 and 12 share a painter).
void paintFace(QPainter &p, int style, const TzFace &face);
TzCaptionLook captionLook(int style, const TzFace &face);

// The window shape: the client rectangle with corners cut along an
// ellipse of the given size; ellipse 0 gives the plain rectangle.
QRegion roundedRegion(int width, int height, int ellipse);

// The maximise ("1"), restore ("2") and close ("r") symbols.
bool isGlyphCaption(const QString &caption);
void paintGlyph(QPainter &p, const QString &caption, const QRect &box, const QColor &color);

} // namespace korvel::widgets
