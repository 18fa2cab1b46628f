#pragma once

// The demo pictures' drawing kit: what the scenes, the figures and the
// pages share. Used inside demo/ only.
#include "demo/PageArt.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRandomGenerator>

#include <algorithm>

namespace korvel::demo::art {

inline const QColor kInk(28, 22, 20);
inline const QColor kPaper(246, 239, 223);
inline const QColor kGold(236, 190, 92);

inline QPen inkPen(qreal width, const QColor &color = kInk)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Everything a scene painter needs: the panel, the line width and the dice.
struct Ctx {
    QPainter &p;
    QRectF r;
    qreal ink;
    QRandomGenerator rng;
    bool night;

    qreal W() const { return r.width(); }
    qreal H() const { return r.height(); }
    QPointF at(qreal fx, qreal fy) const { return {r.left() + fx * r.width(), r.top() + fy * r.height()}; }
    qreal y(qreal fy) const { return r.top() + fy * r.height(); }
    qreal x(qreal fx) const { return r.left() + fx * r.width(); }
    qreal rand(qreal lo, qreal hi) { return lo + (hi - lo) * rng.generateDouble(); }
    qreal unit() const { return std::min(r.width(), r.height()); }
};

// Scenery.
void stars(Ctx &c);
void sun(Ctx &c, const QPointF &centre, qreal radius, const QColor &color);
void sky(Ctx &c, QColor top, QColor bottom);
void cloud(Ctx &c, const QPointF &centre, qreal w);
void mountainRange(Ctx &c, qreal baseY, qreal peak, const QColor &color, int peaks, bool outline);
void ground(Ctx &c, qreal fromY, const QColor &top, const QColor &bottom);
void water(Ctx &c, const QRectF &area, const QColor &top, const QColor &bottom);
void reeds(Ctx &c, const QRectF &area, int count, bool front);
void tree(Ctx &c, const QPointF &base, qreal h, const QColor &leaves);
void house(Ctx &c, const QRectF &box, const QColor &wall, const QColor &roof, bool lit);
void palace(Ctx &c, const QRectF &box, const QColor &pillar, const QColor &roof);
void flames(Ctx &c, const QRectF &area, int count);
void speedLines(Ctx &c, const QPointF &centre);

// Figures and their speech.
void figure(Ctx &c, const Actor &a);
QPointF headOf(const Ctx &c, const Actor &a);
void bubble(Ctx &c, const QPointF &speaker, const QString &text, qreal fontPx);

} // namespace korvel::demo::art
