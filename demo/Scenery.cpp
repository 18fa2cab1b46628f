#include "demo/ArtKit.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace korvel::demo::art {

// ---------------------------------------------------------------- scenery

void stars(Ctx &c)
{
    c.p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        const QPointF s(c.x(c.rand(0, 1)), c.y(c.rand(0, 0.55)));
        const qreal d = c.unit() * c.rand(0.002, 0.006);
        c.p.setBrush(QColor(255, 250, 220, int(c.rand(120, 255))));
        c.p.drawEllipse(s, d, d);
    }
}

void sun(Ctx &c, const QPointF &centre, qreal radius, const QColor &color)
{
    QRadialGradient glow(centre, radius * 2.4);
    glow.setColorAt(0, QColor(color.red(), color.green(), color.blue(), 150));
    glow.setColorAt(1, QColor(color.red(), color.green(), color.blue(), 0));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(glow);
    c.p.drawEllipse(centre, radius * 2.4, radius * 2.4);
    QRadialGradient disk(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
    disk.setColorAt(0, color.lighter(135));
    disk.setColorAt(1, color);
    c.p.setBrush(disk);
    c.p.setPen(inkPen(c.ink * 0.6, color.darker(160)));
    c.p.drawEllipse(centre, radius, radius);
}

void sky(Ctx &c, QColor top, QColor bottom)
{
    if (c.night) {
        top = QColor(10, 16, 44);
        bottom = QColor(48, 60, 108);
    }
    QLinearGradient g(c.r.topLeft(), c.r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    c.p.fillRect(c.r, g);
    if (c.night) {
        stars(c);
        const qreal m = c.unit() * 0.07;
        sun(c, c.at(0.82, 0.16), m, QColor(250, 240, 200));
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(top);
        c.p.drawEllipse(c.at(0.82, 0.16) + QPointF(m * 0.45, -m * 0.25), m * 0.85, m * 0.85);
    }
}

void cloud(Ctx &c, const QPointF &centre, qreal w)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill); // overlapping puffs merge into one outline
    path.addEllipse(QRectF(centre.x() - w * 0.5, centre.y() - w * 0.1, w * 0.42, w * 0.22));
    path.addEllipse(QRectF(centre.x() - w * 0.25, centre.y() - w * 0.24, w * 0.46, w * 0.36));
    path.addEllipse(QRectF(centre.x() + w * 0.05, centre.y() - w * 0.15, w * 0.45, w * 0.27));
    path.addRoundedRect(QRectF(centre.x() - w * 0.45, centre.y() - w * 0.02, w * 0.9, w * 0.14), w * 0.07, w * 0.07);
    path = path.simplified();
    QLinearGradient g(centre - QPointF(0, w * 0.25), centre + QPointF(0, w * 0.12));
    g.setColorAt(0, c.night ? QColor(170, 180, 210) : QColor(255, 255, 255));
    g.setColorAt(1, c.night ? QColor(110, 120, 160) : QColor(215, 228, 240));
    c.p.setBrush(g);
    c.p.setPen(inkPen(c.ink * 0.7, QColor(90, 100, 120)));
    c.p.drawPath(path);
}

void mountainRange(Ctx &c, qreal baseY, qreal peak, const QColor &color, int peaks, bool outline)
{
    QPainterPath path(QPointF(c.r.left() - 5, c.r.bottom() + 5));
    path.lineTo(c.r.left() - 5, baseY - peak * 0.3);
    for (int i = 0; i < peaks; ++i) {
        const qreal cx = c.r.left() + (i + 0.5) * c.W() / peaks + c.rand(-0.15, 0.15) * c.W() / peaks;
        const qreal top = baseY - peak * c.rand(0.6, 1.0);
        path.lineTo(cx - c.W() / peaks * 0.12, top + peak * 0.08);
        path.quadTo(cx, top - peak * 0.05, cx + c.W() / peaks * 0.12, top + peak * 0.1);
        path.lineTo(c.r.left() + (i + 1.0) * c.W() / peaks, baseY - peak * c.rand(0.1, 0.35));
    }
    path.lineTo(c.r.right() + 5, c.r.bottom() + 5);
    path.closeSubpath();
    QLinearGradient g(QPointF(0, baseY - peak), QPointF(0, baseY));
    g.setColorAt(0, color.lighter(125));
    g.setColorAt(1, color.darker(115));
    c.p.setBrush(g);
    c.p.setPen(outline ? inkPen(c.ink, color.darker(200)) : Qt::NoPen);
    c.p.drawPath(path);
}

void ground(Ctx &c, qreal fromY, const QColor &top, const QColor &bottom)
{
    const QRectF area(c.r.left(), fromY, c.W(), c.r.bottom() - fromY);
    QLinearGradient g(area.topLeft(), area.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    c.p.fillRect(area, g);
    c.p.setPen(inkPen(c.ink * 0.8, bottom.darker(150)));
    c.p.drawLine(QPointF(area.left(), fromY), QPointF(area.right(), fromY));
}

void water(Ctx &c, const QRectF &area, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(area.topLeft(), area.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    c.p.fillRect(area, g);
    c.p.setBrush(Qt::NoBrush);
    const qreal step = std::max<qreal>(6, area.height() / 9);
    for (qreal y = area.top() + step * 0.6; y < area.bottom(); y += step) {
        const qreal len = c.unit() * 0.06;
        for (qreal x = area.left() + c.rand(0, len * 3); x < area.right(); x += len * c.rand(2.5, 4.5)) {
            QPainterPath wave(QPointF(x, y));
            wave.quadTo(x + len * 0.5, y - step * 0.25, x + len, y);
            c.p.setPen(inkPen(c.ink * 0.7, QColor(255, 255, 255, 150)));
            c.p.drawPath(wave);
        }
    }
}

void reeds(Ctx &c, const QRectF &area, int count, bool front)
{
    for (int i = 0; i < count; ++i) {
        const qreal x = area.left() + c.rand(0, 1) * area.width();
        const qreal h = area.height() * c.rand(0.55, 1.0);
        const qreal bend = c.rand(-0.12, 0.12) * h;
        const QPointF base(x, area.bottom() + 4);
        const QPointF tip(x + bend, area.bottom() - h);
        QPainterPath stem(base);
        stem.quadTo(QPointF(x, area.bottom() - h * 0.5), tip);
        const QColor green = front ? QColor(70, 98, 40) : QColor(120, 140, 80);
        c.p.setPen(inkPen(c.ink * (front ? 1.1 : 0.7), green));
        c.p.setBrush(Qt::NoBrush);
        c.p.drawPath(stem);
        // A leaf and the white plume that gives the village its name.
        QPainterPath leaf(QPointF(x, area.bottom() - h * 0.35));
        leaf.quadTo(QPointF(x + h * 0.15, area.bottom() - h * 0.5), QPointF(x + h * 0.22, area.bottom() - h * 0.42));
        c.p.drawPath(leaf);
        c.p.setPen(inkPen(c.ink * 0.4, QColor(150, 140, 110)));
        c.p.setBrush(QColor(238, 232, 212));
        c.p.save();
        c.p.translate(tip);
        c.p.rotate(bend / h * 60);
        c.p.drawEllipse(QRectF(-h * 0.035, -h * 0.13, h * 0.07, h * 0.16));
        c.p.restore();
    }
}

void tree(Ctx &c, const QPointF &base, qreal h, const QColor &leaves)
{
    c.p.setPen(inkPen(c.ink * 0.8));
    c.p.setBrush(QColor(110, 72, 40));
    c.p.drawRect(QRectF(base.x() - h * 0.06, base.y() - h * 0.5, h * 0.12, h * 0.5));
    QPainterPath crown;
    crown.setFillRule(Qt::WindingFill);
    crown.addEllipse(QPointF(base.x(), base.y() - h * 0.72), h * 0.3, h * 0.28);
    crown.addEllipse(QPointF(base.x() - h * 0.22, base.y() - h * 0.52), h * 0.22, h * 0.18);
    crown.addEllipse(QPointF(base.x() + h * 0.22, base.y() - h * 0.55), h * 0.22, h * 0.2);
    QRadialGradient g(base - QPointF(h * 0.1, h * 0.85), h * 0.6);
    g.setColorAt(0, leaves.lighter(140));
    g.setColorAt(1, leaves.darker(120));
    c.p.setBrush(g);
    c.p.drawPath(crown.simplified());
}

void house(Ctx &c, const QRectF &box, const QColor &wall, const QColor &roof, bool lit)
{
    const QRectF body(box.left(), box.top() + box.height() * 0.38, box.width(), box.height() * 0.62);
    c.p.setPen(inkPen(c.ink));
    c.p.setBrush(wall);
    c.p.drawRect(body);
    QPainterPath top(QPointF(box.left() - box.width() * 0.1, body.top()));
    top.lineTo(box.left() + box.width() * 0.15, box.top());
    top.lineTo(box.right() - box.width() * 0.15, box.top());
    top.lineTo(box.right() + box.width() * 0.1, body.top());
    top.closeSubpath();
    c.p.setBrush(roof);
    c.p.drawPath(top);
    c.p.setPen(inkPen(c.ink * 0.5, roof.lighter(150)));
    for (int i = 1; i < 8; ++i) {
        const qreal fx = i / 8.0;
        c.p.drawLine(QPointF(box.left() + box.width() * (0.15 + 0.7 * fx), box.top()),
                     QPointF(box.left() + box.width() * (-0.1 + 1.2 * fx), body.top()));
    }
    c.p.setPen(inkPen(c.ink));
    c.p.setBrush(QColor(96, 62, 36));
    c.p.drawRect(QRectF(body.left() + body.width() * 0.14, body.top() + body.height() * 0.3, body.width() * 0.22,
                        body.height() * 0.7));
    c.p.setBrush(lit ? QColor(255, 214, 110) : QColor(70, 60, 50));
    c.p.drawRect(QRectF(body.left() + body.width() * 0.55, body.top() + body.height() * 0.25, body.width() * 0.3,
                        body.height() * 0.3));
}

void palace(Ctx &c, const QRectF &box, const QColor &pillar, const QColor &roof)
{
    c.p.setPen(inkPen(c.ink));
    // Steps and platform.
    for (int i = 0; i < 3; ++i) {
        const qreal inset = box.width() * 0.04 * i;
        c.p.setBrush(QColor(200, 196, 186).darker(100 + i * 8));
        c.p.drawRect(QRectF(box.left() + inset, box.bottom() - box.height() * 0.06 * (i + 1),
                            box.width() - 2 * inset, box.height() * 0.06));
    }
    const qreal floor = box.bottom() - box.height() * 0.18;
    const qreal beam = box.top() + box.height() * 0.42;
    c.p.setBrush(pillar);
    for (int i = 0; i < 5; ++i) {
        const qreal x = box.left() + box.width() * (0.14 + 0.18 * i);
        c.p.drawRect(QRectF(x - box.width() * 0.025, beam, box.width() * 0.05, floor - beam));
    }
    c.p.setBrush(pillar.darker(130));
    c.p.drawRect(QRectF(box.left() + box.width() * 0.08, beam - box.height() * 0.05, box.width() * 0.84,
                        box.height() * 0.06));
    // Two roofs with upturned eaves.
    for (int tier = 0; tier < 2; ++tier) {
        const qreal w = box.width() * (tier == 0 ? 1.1 : 0.7);
        const qreal cx = box.center().x();
        const qreal base = tier == 0 ? beam - box.height() * 0.05 : box.top() + box.height() * 0.2;
        const qreal h = box.height() * (tier == 0 ? 0.2 : 0.17);
        QPainterPath r(QPointF(cx - w / 2, base - h * 0.35));
        r.quadTo(QPointF(cx - w * 0.38, base), QPointF(cx - w * 0.3, base));
        r.lineTo(cx + w * 0.3, base);
        r.quadTo(QPointF(cx + w * 0.38, base), QPointF(cx + w / 2, base - h * 0.35));
        r.quadTo(QPointF(cx + w * 0.3, base - h * 0.5), QPointF(cx + w * 0.2, base - h));
        r.lineTo(cx - w * 0.2, base - h);
        r.quadTo(QPointF(cx - w * 0.3, base - h * 0.5), QPointF(cx - w / 2, base - h * 0.35));
        QLinearGradient g(QPointF(0, base - h), QPointF(0, base));
        g.setColorAt(0, roof.lighter(130));
        g.setColorAt(1, roof.darker(125));
        c.p.setBrush(g);
        c.p.drawPath(r);
        if (tier == 1) {
            c.p.setBrush(pillar);
            c.p.drawRect(QRectF(cx - w * 0.3, base, w * 0.6, beam - box.height() * 0.05 - h * 0.2 - base));
        }
    }
}

void flames(Ctx &c, const QRectF &area, int count)
{
    for (int i = 0; i < count; ++i) {
        const qreal w = area.width() / count * c.rand(1.2, 2.0);
        const qreal h = area.height() * c.rand(0.5, 1.0);
        const qreal x = area.left() + area.width() * (i + 0.5) / count;
        const qreal b = area.bottom();
        QPainterPath f(QPointF(x - w / 2, b));
        f.cubicTo(QPointF(x - w * 0.6, b - h * 0.5), QPointF(x - w * 0.05, b - h * 0.6), QPointF(x + c.rand(-0.2, 0.2) * w, b - h));
        f.cubicTo(QPointF(x + w * 0.1, b - h * 0.6), QPointF(x + w * 0.6, b - h * 0.45), QPointF(x + w / 2, b));
        f.closeSubpath();
        QLinearGradient g(QPointF(0, b), QPointF(0, b - h));
        g.setColorAt(0, QColor(255, 240, 140));
        g.setColorAt(0.5, QColor(255, 150, 40));
        g.setColorAt(1, QColor(200, 30, 20, 200));
        c.p.setBrush(g);
        c.p.setPen(inkPen(c.ink * 0.6, QColor(140, 20, 10)));
        c.p.drawPath(f);
    }
}

void speedLines(Ctx &c, const QPointF &centre)
{
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(28, 22, 20, 190));
    const qreal far = std::hypot(c.W(), c.H());
    const qreal inner = c.unit() * 0.32;
    for (int i = 0; i < 72; ++i) {
        const qreal a = (i + c.rand(-0.3, 0.3)) * 2 * M_PI / 72;
        const qreal start = inner * c.rand(1.0, 1.5);
        const qreal spread = c.rand(0.004, 0.012);
        QPainterPath ray(centre + QPointF(std::cos(a), std::sin(a)) * start);
        ray.lineTo(centre + QPointF(std::cos(a - spread), std::sin(a - spread)) * far);
        ray.lineTo(centre + QPointF(std::cos(a + spread), std::sin(a + spread)) * far);
        ray.closeSubpath();
        c.p.drawPath(ray);
    }
}

} // namespace korvel::demo::art
