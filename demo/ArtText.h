#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

namespace korvel::demo {

// A size of the one font the demo pictures are lettered in. Bold is not a
// face of that font: it is drawn as a stroke around the outline (see drawText).
struct ArtFont {
    QFont font;
    qreal pixels = 0;
    bool bold = false;

    qreal ascent() const;
    qreal descent() const;
    qreal width(const QString &text) const; // a single unwrapped line
};

ArtFont artFont(qreal pixels, bool bold = false);

// One line of text as an outline, its baseline starting at the origin.
QPainterPath textPath(const QString &text, const ArtFont &font);

// Like QPainter::drawText(box, flags, text) for the alignment flags and
// Qt::TextWordWrap, but through textPath.
void drawText(QPainter &p, const QRectF &box, int flags, const QString &text, const ArtFont &font,
              const QColor &colour);

// The height text takes when wrapped to width as drawText wraps it.
qreal wrappedHeight(qreal width, const QString &text, const ArtFont &font);

// Text filled with one colour and edged with another: legible on any background.
void outlinedText(QPainter &p, const QPointF &baselineStart, const QString &text, const ArtFont &font,
                  const QColor &fill, const QColor &edge, qreal edgeWidth);

} // namespace korvel::demo
