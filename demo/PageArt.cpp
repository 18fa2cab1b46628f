#include "demo/PageArt.h"

#include "demo/ArtText.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace korvel::demo {

namespace {

const QColor kInk(28, 22, 20);
const QColor kPaper(246, 239, 223);
const QColor kGold(236, 190, 92);

QPen inkPen(qreal width, const QColor &color = kInk)
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

// ---------------------------------------------------------------- figures

struct Look {
    QColor skin, top, legs, hair;
    bool robe = false;
};

Look lookOf(Character who)
{
    switch (who) {
    case Character::Monkey: return {QColor(240, 196, 140), QColor(214, 60, 40), QColor(200, 140, 50), QColor(190, 126, 48)};
    case Character::Master: return {QColor(244, 214, 180), QColor(150, 150, 140), QColor(120, 120, 110), QColor(250, 250, 250), true};
    case Character::Guard: return {QColor(244, 210, 176), QColor(175, 185, 200), QColor(90, 96, 120), QColor(60, 60, 70)};
    case Character::Boy: return {QColor(242, 200, 160), QColor(60, 110, 190), QColor(40, 40, 44), QColor(20, 20, 20)};
    case Character::Teacher: return {QColor(246, 214, 182), QColor(50, 80, 130), QColor(40, 60, 100), QColor(20, 20, 24), true};
    case Character::Uncle: return {QColor(214, 170, 130), QColor(90, 100, 120), QColor(60, 60, 70), QColor(40, 36, 30)};
    case Character::Soldier: return {QColor(232, 196, 160), QColor(150, 136, 80), QColor(120, 108, 64), QColor(30, 30, 30)};
    case Character::Villager: return {QColor(232, 196, 160), QColor(40, 50, 90), QColor(30, 30, 40), QColor(150, 150, 150)};
    }
    return {};
}

void limb(QPainter &p, const QPointF &from, const QPointF &to, const QColor &color, qreal width, qreal edge)
{
    p.setPen(QPen(kInk, width + 2 * edge, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
}

QPointF headOf(const Ctx &c, const Actor &a)
{
    return c.at(a.x, a.foot) - QPointF(0, a.height * c.H() * 0.89);
}

void figure(Ctx &c, const Actor &a)
{
    QPainter &p = c.p;
    const qreal u = a.height * c.H() / 10;
    const qreal edge = std::max(1.0, u * 0.12);
    const Look look = lookOf(a.who);
    p.save();
    p.translate(c.at(a.x, a.foot));

    // Behind the body: the monkey's tail.
    if (a.who == Character::Monkey) {
        QPainterPath tail(QPointF(0.6 * u, -4.4 * u));
        tail.cubicTo(QPointF(3.2 * u, -4.0 * u), QPointF(2.4 * u, -7.6 * u), QPointF(3.3 * u, -7.2 * u));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 0.5 * u + 2 * edge, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(tail);
        p.setPen(QPen(look.hair, 0.5 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(tail);
    }

    // Legs, or a robe down to the ground.
    if (look.robe) {
        QPainterPath robe(QPointF(-1.1 * u, -7.6 * u));
        robe.lineTo(1.1 * u, -7.6 * u);
        robe.lineTo(2.0 * u, -0.1 * u);
        robe.quadTo(QPointF(0, 0.3 * u), QPointF(-2.0 * u, -0.1 * u));
        robe.closeSubpath();
        p.setPen(inkPen(edge));
        p.setBrush(look.top);
        p.drawPath(robe);
        if (a.who == Character::Master) { // the red sash of the master's robe
            p.setBrush(QColor(180, 40, 30));
            QPainterPath sash(QPointF(-1.0 * u, -7.5 * u));
            sash.lineTo(-0.3 * u, -7.5 * u);
            sash.lineTo(1.7 * u, -1.2 * u);
            sash.lineTo(0.9 * u, -1.0 * u);
            sash.closeSubpath();
            p.drawPath(sash);
        }
    } else {
        const bool bareShins = a.who == Character::Boy;
        limb(p, QPointF(-0.55 * u, -4.2 * u), QPointF(-0.8 * u, -0.3 * u), look.legs, 0.8 * u, edge);
        limb(p, QPointF(0.55 * u, -4.2 * u), QPointF(0.8 * u, -0.3 * u), look.legs, 0.8 * u, edge);
        if (bareShins) {
            limb(p, QPointF(-0.7 * u, -2.0 * u), QPointF(-0.8 * u, -0.3 * u), look.skin, 0.6 * u, edge);
            limb(p, QPointF(0.7 * u, -2.0 * u), QPointF(0.8 * u, -0.3 * u), look.skin, 0.6 * u, edge);
        }
        p.setPen(inkPen(edge));
        p.setBrush(QColor(40, 34, 30));
        p.drawEllipse(QRectF(-1.35 * u, -0.5 * u, 1.0 * u, 0.5 * u));
        p.drawEllipse(QRectF(0.35 * u, -0.5 * u, 1.0 * u, 0.5 * u));
    }

    // Body.
    QPainterPath body(QPointF(-1.1 * u, -7.8 * u));
    body.lineTo(1.1 * u, -7.8 * u);
    body.lineTo(1.4 * u, -4.0 * u);
    body.lineTo(-1.4 * u, -4.0 * u);
    body.closeSubpath();
    p.setPen(inkPen(edge));
    QLinearGradient shade(QPointF(-1.4 * u, 0), QPointF(1.4 * u, 0));
    shade.setColorAt(0, look.top.lighter(120));
    shade.setColorAt(1, look.top.darker(120));
    p.setBrush(shade);
    if (!look.robe)
        p.drawPath(body);
    p.setBrush(look.legs.darker(120));
    if (!look.robe)
        p.drawRect(QRectF(-1.35 * u, -4.6 * u, 2.7 * u, 0.45 * u)); // belt

    // Arms by pose.
    const QPointF shoulderL(-1.1 * u, -7.4 * u), shoulderR(1.1 * u, -7.4 * u);
    QPointF handL(-1.8 * u, -4.6 * u), handR(1.8 * u, -4.6 * u);
    if (a.pose == 1)
        handR = QPointF(1.9 * u, -10.4 * u);
    else if (a.pose == 2)
        handL = QPointF(-2.0 * u, -10.4 * u), handR = QPointF(2.0 * u, -10.4 * u);
    else if (a.pose == 3)
        handL = QPointF(-3.3 * u, -7.0 * u), handR = QPointF(3.3 * u, -7.0 * u);
    const QColor sleeve = look.top.darker(108);
    limb(p, shoulderL, handL, sleeve, 0.65 * u, edge);
    limb(p, shoulderR, handR, sleeve, 0.65 * u, edge);
    p.setPen(inkPen(edge));
    p.setBrush(look.skin);
    p.drawEllipse(handL, 0.38 * u, 0.38 * u);
    p.drawEllipse(handR, 0.38 * u, 0.38 * u);

    // What the raised hand holds.
    if (a.pose == 1) {
        if (a.who == Character::Monkey) {
            limb(p, handR + QPointF(0, -3.0 * u), handR + QPointF(0, 8.5 * u), QColor(230, 180, 40), 0.35 * u, edge);
            p.setPen(inkPen(edge));
            p.setBrush(QColor(200, 40, 30));
            p.drawRect(QRectF(handR.x() - 0.3 * u, handR.y() - 3.2 * u, 0.6 * u, 0.8 * u));
            p.drawRect(QRectF(handR.x() - 0.3 * u, handR.y() + 7.9 * u, 0.6 * u, 0.8 * u));
        } else if (a.who == Character::Guard) {
            limb(p, handR + QPointF(0, -4.0 * u), handR + QPointF(0, 10 * u), QColor(120, 90, 60), 0.25 * u, edge);
            p.setPen(inkPen(edge));
            p.setBrush(QColor(220, 220, 230));
            QPainterPath tip(handR + QPointF(0, -5.2 * u));
            tip.lineTo(handR + QPointF(0.4 * u, -4.0 * u));
            tip.lineTo(handR + QPointF(-0.4 * u, -4.0 * u));
            tip.closeSubpath();
            p.drawPath(tip);
        } else if (a.who == Character::Soldier) {
            limb(p, handR + QPointF(-0.6 * u, -2.0 * u), handR + QPointF(0.8 * u, 5.0 * u), QColor(60, 44, 30), 0.4 * u, edge);
        }
    }

    // Head.
    const QPointF head(0, -8.9 * u);
    const qreal hr = 1.1 * u;
    if (a.who == Character::Monkey) {
        p.setBrush(look.hair);
        p.drawEllipse(head + QPointF(-1.15 * u, 0.1 * u), 0.4 * u, 0.4 * u);
        p.drawEllipse(head + QPointF(1.15 * u, 0.1 * u), 0.4 * u, 0.4 * u);
        p.drawEllipse(head, hr, hr);
        p.setBrush(look.skin);
        QPainterPath face(head + QPointF(0, 0.95 * u));
        face.cubicTo(head + QPointF(-1.2 * u, 0.6 * u), head + QPointF(-0.9 * u, -0.7 * u), head + QPointF(0, -0.25 * u));
        face.cubicTo(head + QPointF(0.9 * u, -0.7 * u), head + QPointF(1.2 * u, 0.6 * u), head + QPointF(0, 0.95 * u));
        p.drawPath(face);
        p.setPen(inkPen(0.3 * u, QColor(240, 200, 60)));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(head.x() - hr, head.y() - hr, 2 * hr, 2 * hr), 30 * 16, 120 * 16); // the golden band
    } else {
        p.setBrush(look.skin);
        p.drawEllipse(head, hr, hr);
        p.setBrush(look.hair);
        switch (a.who) {
        case Character::Boy:
        case Character::Soldier:
        case Character::Uncle:
            p.drawChord(QRectF(head.x() - hr, head.y() - hr, 2 * hr, 2 * hr), 10 * 16, 160 * 16);
            break;
        case Character::Teacher:
        case Character::Villager:
            p.drawChord(QRectF(head.x() - hr, head.y() - hr, 2 * hr, 2 * hr), 0, 180 * 16);
            p.drawEllipse(head + QPointF(0, -1.2 * u), 0.45 * u, 0.4 * u);
            break;
        case Character::Master: // white beard
            p.setBrush(look.hair);
            p.drawChord(QRectF(head.x() - 0.8 * hr, head.y() - 0.2 * hr, 1.6 * hr, 2.2 * hr), 180 * 16, 180 * 16);
            break;
        default:
            break;
        }
        if (a.who == Character::Soldier) {
            p.setBrush(look.top);
            p.drawRect(QRectF(head.x() - hr, head.y() - hr * 0.9, 2 * hr, hr * 0.55));
            p.drawRect(QRectF(head.x() - hr * 1.25, head.y() - hr * 0.45, hr * 0.5, hr * 0.5));
        } else if (a.who == Character::Uncle) {
            p.setBrush(QColor(250, 250, 245));
            p.drawRect(QRectF(head.x() - hr * 1.05, head.y() - hr * 0.75, 2.1 * hr, hr * 0.42));
        } else if (a.who == Character::Guard) {
            p.setBrush(QColor(190, 196, 210));
            p.drawChord(QRectF(head.x() - hr * 1.1, head.y() - hr * 1.2, 2.2 * hr, 2.2 * hr), 0, 180 * 16);
            p.setBrush(QColor(210, 40, 40));
            p.drawEllipse(head + QPointF(0, -1.6 * hr), hr * 0.3, hr * 0.5);
        }
    }
    // Eyes and mouth.
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(head + QPointF(-0.38 * u, 0.05 * u), 0.13 * u, 0.16 * u);
    p.drawEllipse(head + QPointF(0.38 * u, 0.05 * u), 0.13 * u, 0.16 * u);
    p.setPen(inkPen(std::max(1.0, 0.1 * u)));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(head.x() - 0.35 * u, head.y() + 0.1 * u, 0.7 * u, 0.5 * u), 200 * 16, 140 * 16);
    p.restore();
}

void bubble(Ctx &c, const QPointF &speaker, const QString &text, qreal fontPx)
{
    const ArtFont f = artFont(fontPx, true);
    const QSizeF size(f.width(text) + fontPx * 1.6, f.ascent() + f.descent() + fontPx * 1.2);
    QPointF centre = speaker + QPointF(size.width() * 0.55, -size.height() * 1.1);
    if (centre.x() + size.width() / 2 > c.r.right() - 6)
        centre.setX(speaker.x() - size.width() * 0.55);
    const qreal leftmost = c.r.left() + size.width() / 2 + 6;
    const qreal rightmost = c.r.right() - size.width() / 2 - 6;
    centre.setX(leftmost <= rightmost ? std::clamp(centre.x(), leftmost, rightmost) : c.r.center().x());
    centre.setY(std::max(centre.y(), c.r.top() + size.height() / 2 + 6));
    const QRectF box(centre.x() - size.width() / 2, centre.y() - size.height() / 2, size.width(), size.height());

    QPainterPath shape;
    shape.addEllipse(box);
    QPainterPath tail(QPointF(centre.x() - size.width() * 0.08, box.center().y() + size.height() * 0.3));
    tail.lineTo(speaker + (centre - speaker) * 0.25);
    tail.lineTo(centre.x() + size.width() * 0.08, box.center().y() + size.height() * 0.3);
    tail.closeSubpath();
    shape = shape.united(tail);
    c.p.setPen(inkPen(c.ink));
    c.p.setBrush(Qt::white);
    c.p.drawPath(shape);
    drawText(c.p, box, Qt::AlignCenter, text, f, kInk);
}

// ---------------------------------------------------------------- scenes

void background(Ctx &c, const Panel &panel, const QColor &accent)
{
    QPainter &p = c.p;
    switch (panel.scene) {
    case Scene::Mountains:
        sky(c, QColor(84, 160, 226), QColor(214, 236, 248));
        if (!c.night)
            sun(c, c.at(0.8, 0.2), c.unit() * 0.07, QColor(255, 196, 60));
        cloud(c, c.at(0.25, 0.18), c.unit() * 0.35);
        cloud(c, c.at(0.6, 0.3), c.unit() * 0.25);
        mountainRange(c, c.y(0.78), c.H() * 0.5, QColor(150, 172, 196), 4, false);
        mountainRange(c, c.y(0.88), c.H() * 0.38, QColor(86, 150, 84), 3, true);
        ground(c, c.y(0.86), QColor(112, 160, 76), QColor(62, 108, 44));
        tree(c, c.at(0.1, 0.92), c.H() * 0.22, QColor(50, 120, 50));
        tree(c, c.at(0.9, 0.95), c.H() * 0.26, QColor(40, 110, 46));
        break;
    case Scene::Waterfall: {
        sky(c, QColor(120, 190, 230), QColor(220, 240, 250));
        const QRectF fall(c.x(0.38), c.y(0.05), c.W() * 0.24, c.H() * 0.75);
        QLinearGradient g(fall.topLeft(), fall.topRight());
        g.setColorAt(0, QColor(170, 210, 240));
        g.setColorAt(0.5, QColor(250, 252, 255));
        g.setColorAt(1, QColor(150, 200, 236));
        p.fillRect(fall, g);
        p.setPen(inkPen(c.ink * 0.6, QColor(110, 160, 210)));
        for (int i = 0; i < 14; ++i) {
            const qreal x = fall.left() + fall.width() * c.rand(0.05, 0.95);
            const qreal y0 = fall.top() + fall.height() * c.rand(0, 0.6);
            p.drawLine(QPointF(x, y0), QPointF(x, y0 + fall.height() * c.rand(0.15, 0.4)));
        }
        for (int side = 0; side < 2; ++side) {
            QPainterPath rock;
            const qreal edgeX = side == 0 ? fall.left() : fall.right();
            const qreal outer = side == 0 ? c.r.left() - 5 : c.r.right() + 5;
            rock.moveTo(outer, c.r.top() - 5);
            rock.lineTo(edgeX + (side == 0 ? -c.W() * 0.05 : c.W() * 0.05), c.r.top() - 5);
            for (int i = 1; i <= 6; ++i)
                rock.lineTo(edgeX + (side == 0 ? -1 : 1) * c.W() * c.rand(0.0, 0.06), c.y(0.05 + 0.75 * i / 6));
            rock.lineTo(outer, c.y(0.85));
            rock.closeSubpath();
            QLinearGradient rg(QPointF(outer, 0), QPointF(edgeX, 0));
            rg.setColorAt(0, QColor(70, 60, 52));
            rg.setColorAt(1, QColor(130, 112, 92));
            p.setBrush(rg);
            p.setPen(inkPen(c.ink));
            p.drawPath(rock);
        }
        tree(c, c.at(0.12, 0.3), c.H() * 0.2, QColor(60, 130, 60));
        tree(c, c.at(0.88, 0.25), c.H() * 0.18, QColor(50, 120, 60));
        water(c, QRectF(c.r.left(), c.y(0.78), c.W(), c.H() * 0.22 + 2), QColor(120, 180, 220), QColor(40, 100, 160));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 150));
        for (int i = 0; i < 6; ++i)
            p.drawEllipse(c.at(0.5 + c.rand(-0.14, 0.14), 0.8), c.W() * 0.06, c.H() * 0.03);
        break;
    }
    case Scene::Sea:
        sky(c, QColor(243, 150, 70), QColor(253, 228, 170));
        if (!c.night)
            sun(c, c.at(0.72, 0.52), c.unit() * 0.12, QColor(255, 120, 50));
        cloud(c, c.at(0.2, 0.2), c.unit() * 0.4);
        cloud(c, c.at(0.45, 0.12), c.unit() * 0.3);
        mountainRange(c, c.y(0.55), c.H() * 0.12, QColor(150, 110, 120), 6, false);
        water(c, QRectF(c.r.left(), c.y(0.55), c.W(), c.H() * 0.45 + 2), QColor(70, 140, 200), QColor(20, 70, 120));
        break;
    case Scene::Temple:
        sky(c, QColor(150, 200, 235), QColor(235, 245, 250));
        cloud(c, c.at(0.8, 0.15), c.unit() * 0.3);
        mountainRange(c, c.y(0.6), c.H() * 0.35, QColor(140, 160, 170), 3, false);
        ground(c, c.y(0.78), QColor(190, 180, 160), QColor(150, 140, 120));
        palace(c, QRectF(c.x(0.25), c.y(0.22), c.W() * 0.5, c.H() * 0.58), QColor(150, 90, 60), QColor(90, 96, 110));
        tree(c, c.at(0.1, 0.85), c.H() * 0.35, QColor(40, 100, 60));
        tree(c, c.at(0.92, 0.82), c.H() * 0.3, QColor(40, 96, 56));
        break;
    case Scene::Clouds:
        sky(c, QColor(30, 80, 160), QColor(130, 190, 245));
        for (int i = 0; i < 7; ++i)
            cloud(c, c.at(c.rand(0.05, 0.95), c.rand(0.1, 0.7)), c.unit() * c.rand(0.2, 0.4));
        break;
    case Scene::Underwater: {
        QLinearGradient g(c.r.topLeft(), c.r.bottomLeft());
        g.setColorAt(0, QColor(30, 130, 190));
        g.setColorAt(1, QColor(10, 40, 80));
        p.fillRect(c.r, g);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 5; ++i) {
            const qreal x = c.x(c.rand(0, 1));
            QPainterPath ray(QPointF(x, c.r.top()));
            ray.lineTo(x + c.W() * 0.06, c.r.top());
            ray.lineTo(x + c.W() * 0.2, c.r.bottom());
            ray.lineTo(x + c.W() * 0.1, c.r.bottom());
            p.setBrush(QColor(200, 240, 255, 36));
            p.drawPath(ray);
        }
        ground(c, c.y(0.88), QColor(200, 170, 110), QColor(150, 120, 70));
        for (int i = 0; i < 9; ++i) {
            const qreal x = c.x(c.rand(0, 1));
            QPainterPath weed(QPointF(x, c.y(0.9)));
            weed.cubicTo(QPointF(x - c.W() * 0.04, c.y(0.75)), QPointF(x + c.W() * 0.04, c.y(0.7)),
                         QPointF(x, c.y(c.rand(0.5, 0.65))));
            p.setPen(inkPen(c.ink * 2.5, QColor(40, 130, 80)));
            p.setBrush(Qt::NoBrush);
            p.drawPath(weed);
        }
        // The iron pillar that holds the sea: glowing gold.
        const QRectF pillar(c.x(0.46), c.y(0.02), c.W() * 0.08, c.H() * 0.88);
        QRadialGradient glow(pillar.center(), c.unit() * 0.45);
        glow.setColorAt(0, QColor(255, 230, 120, 170));
        glow.setColorAt(1, QColor(255, 230, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(pillar.center(), c.unit() * 0.45, c.unit() * 0.45);
        QLinearGradient pg(pillar.topLeft(), pillar.topRight());
        pg.setColorAt(0, QColor(180, 120, 20));
        pg.setColorAt(0.4, QColor(255, 230, 120));
        pg.setColorAt(1, QColor(170, 110, 20));
        p.setBrush(pg);
        p.setPen(inkPen(c.ink));
        p.drawRect(pillar);
        p.setBrush(QColor(200, 40, 30));
        p.drawRect(QRectF(pillar.left() - 2, pillar.bottom() - c.H() * 0.06, pillar.width() + 4, c.H() * 0.06));
        p.setPen(inkPen(c.ink * 0.6, QColor(220, 240, 255)));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 16; ++i) {
            const qreal d = c.unit() * c.rand(0.008, 0.02);
            p.drawEllipse(c.at(c.rand(0.05, 0.95), c.rand(0.05, 0.8)), d, d);
        }
        break;
    }
    case Scene::Palace:
        sky(c, QColor(250, 214, 120), QColor(243, 160, 134));
        palace(c, QRectF(c.x(0.12), c.y(0.15), c.W() * 0.76, c.H() * 0.7), QColor(190, 40, 36), QColor(230, 170, 40));
        for (int i = 0; i < 6; ++i)
            cloud(c, c.at(0.08 + i * 0.18, 0.93), c.unit() * 0.35);
        break;
    case Scene::Furnace: {
        QLinearGradient g(c.r.topLeft(), c.r.bottomLeft());
        g.setColorAt(0, QColor(40, 10, 10));
        g.setColorAt(1, QColor(130, 30, 12));
        p.fillRect(c.r, g);
        flames(c, QRectF(c.r.left(), c.y(0.55), c.W(), c.H() * 0.45), 9);
        const QRectF pot(c.x(0.2), c.y(0.3), c.W() * 0.6, c.H() * 0.5);
        p.setPen(inkPen(c.ink * 1.2));
        p.setBrush(QColor(90, 64, 30));
        for (const qreal fx : {0.3, 0.7})
            p.drawRect(QRectF(pot.left() + pot.width() * fx - pot.width() * 0.05, pot.bottom() - pot.height() * 0.1,
                              pot.width() * 0.1, pot.height() * 0.3));
        QRadialGradient bronze(pot.center() - QPointF(pot.width() * 0.2, pot.height() * 0.2), pot.width() * 0.7);
        bronze.setColorAt(0, QColor(220, 170, 90));
        bronze.setColorAt(1, QColor(110, 70, 30));
        p.setBrush(bronze);
        p.drawEllipse(pot);
        p.drawRect(QRectF(pot.left() + pot.width() * 0.2, pot.top() - pot.height() * 0.12, pot.width() * 0.6,
                          pot.height() * 0.16));
        // Trigram bars on the belly.
        p.setPen(inkPen(c.ink * 1.6));
        for (int i = 0; i < 3; ++i) {
            const qreal y = pot.center().y() - pot.height() * 0.1 + i * pot.height() * 0.1;
            const bool broken = i == 1;
            const qreal l = pot.center().x() - pot.width() * 0.15, rr = pot.center().x() + pot.width() * 0.15;
            if (broken) {
                p.drawLine(QPointF(l, y), QPointF(l + pot.width() * 0.12, y));
                p.drawLine(QPointF(rr - pot.width() * 0.12, y), QPointF(rr, y));
            } else {
                p.drawLine(QPointF(l, y), QPointF(rr, y));
            }
        }
        flames(c, QRectF(c.r.left(), c.y(0.75), c.W(), c.H() * 0.25), 12);
        break;
    }
    case Scene::River:
        sky(c, QColor(140, 198, 240), QColor(228, 243, 251));
        cloud(c, c.at(0.3, 0.15), c.unit() * 0.3);
        mountainRange(c, c.y(0.5), c.H() * 0.18, QColor(150, 180, 160), 5, false);
        for (int i = 0; i < 4; ++i)
            house(c, QRectF(c.x(0.52 + i * 0.1), c.y(0.42), c.W() * 0.07, c.H() * 0.09), QColor(220, 210, 190),
                  QColor(100, 100, 100), c.night);
        ground(c, c.y(0.5), QColor(140, 170, 90), QColor(110, 140, 70));
        water(c, QRectF(c.r.left(), c.y(0.58), c.W(), c.H() * 0.3), QColor(90, 160, 210), QColor(40, 100, 150));
        ground(c, c.y(0.88), QColor(150, 170, 90), QColor(110, 130, 60));
        reeds(c, QRectF(c.x(0.0), c.y(0.45), c.W() * 0.3, c.H() * 0.13), 14, false);
        break;
    case Scene::Village:
        sky(c, QColor(120, 180, 230), QColor(230, 240, 245));
        cloud(c, c.at(0.7, 0.14), c.unit() * 0.3);
        mountainRange(c, c.y(0.58), c.H() * 0.2, QColor(150, 175, 165), 4, false);
        ground(c, c.y(0.6), QColor(220, 196, 140), QColor(180, 150, 96));
        tree(c, c.at(0.08, 0.66), c.H() * 0.3, QColor(60, 130, 60));
        house(c, QRectF(c.x(0.18), c.y(0.34), c.W() * 0.3, c.H() * 0.32), QColor(232, 220, 192), QColor(88, 88, 92), c.night);
        house(c, QRectF(c.x(0.6), c.y(0.38), c.W() * 0.26, c.H() * 0.26), QColor(226, 214, 186), QColor(96, 92, 90), c.night);
        p.setPen(inkPen(c.ink * 0.8, QColor(110, 80, 50)));
        for (int i = 0; i < 12; ++i) {
            const qreal x = c.x(0.52 + i * 0.04);
            p.drawLine(QPointF(x, c.y(0.6)), QPointF(x, c.y(0.7)));
        }
        p.drawLine(c.at(0.5, 0.63), c.at(0.98, 0.63));
        break;
    case Scene::Classroom: {
        QLinearGradient wall(c.r.topLeft(), c.r.bottomLeft());
        wall.setColorAt(0, QColor(200, 180, 140));
        wall.setColorAt(1, QColor(160, 140, 100));
        p.fillRect(c.r, wall);
        ground(c, c.y(0.8), QColor(140, 106, 72), QColor(100, 74, 50));
        const QRectF board(c.x(0.22), c.y(0.1), c.W() * 0.56, c.H() * 0.36);
        p.setPen(inkPen(c.ink * 1.4, QColor(90, 60, 30)));
        p.setBrush(QColor(40, 70, 50));
        p.drawRect(board);
        const ArtFont chalk = artFont(board.height() * 0.2);
        const QColor white(240, 240, 230);
        drawText(p, board.adjusted(8, 8, -8, -board.height() / 2), Qt::AlignCenter, QStringLiteral("我们是中国人"), chalk, white);
        drawText(p, board.adjusted(8, board.height() / 2, -8, -8), Qt::AlignCenter, QStringLiteral("我们爱自己的祖国"), chalk,
                 white);
        const QPointF lamp = c.at(0.9, 0.4);
        QRadialGradient glow(lamp, c.unit() * 0.5);
        glow.setColorAt(0, QColor(255, 220, 120, 180));
        glow.setColorAt(1, QColor(255, 220, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(lamp, c.unit() * 0.5, c.unit() * 0.5);
        p.setPen(inkPen(c.ink));
        p.setBrush(QColor(255, 240, 160));
        p.drawEllipse(lamp, c.unit() * 0.025, c.unit() * 0.04);
        const QRectF window(c.x(0.02), c.y(0.12), c.W() * 0.14, c.H() * 0.26);
        p.setBrush(QColor(20, 26, 60));
        p.drawRect(window);
        p.drawLine(QPointF(window.center().x(), window.top()), QPointF(window.center().x(), window.bottom()));
        p.drawLine(QPointF(window.left(), window.center().y()), QPointF(window.right(), window.center().y()));
        break;
    }
    case Scene::Courtyard: {
        sky(c, QColor(150, 190, 225), QColor(235, 240, 240));
        const QRectF wall(c.r.left() - 2, c.y(0.3), c.W() + 4, c.H() * 0.35);
        p.setPen(inkPen(c.ink));
        p.setBrush(QColor(200, 168, 120));
        p.drawRect(wall);
        p.setBrush(QColor(90, 90, 96));
        p.drawRect(QRectF(wall.left(), wall.top() - c.H() * 0.04, wall.width(), c.H() * 0.05));
        p.setBrush(QColor(96, 60, 34));
        p.drawRect(QRectF(c.x(0.12), c.y(0.36), c.W() * 0.16, c.H() * 0.29));
        ground(c, c.y(0.65), QColor(218, 196, 150), QColor(180, 150, 100));
        const QRectF jar(c.x(0.66), c.y(0.58), c.W() * 0.24, c.H() * 0.3);
        QRadialGradient glaze(jar.center() - QPointF(jar.width() * 0.2, jar.height() * 0.2), jar.width() * 0.8);
        glaze.setColorAt(0, QColor(140, 96, 60));
        glaze.setColorAt(1, QColor(50, 30, 20));
        p.setBrush(glaze);
        p.drawEllipse(jar);
        p.setBrush(QColor(120, 90, 50));
        p.drawEllipse(QRectF(jar.left() - jar.width() * 0.05, jar.top() - jar.height() * 0.06, jar.width() * 1.1,
                             jar.height() * 0.16));
        break;
    }
    case Scene::Reeds:
        sky(c, QColor(170, 210, 240), QColor(240, 248, 250));
        cloud(c, c.at(0.75, 0.14), c.unit() * 0.35);
        water(c, QRectF(c.r.left(), c.y(0.5), c.W(), c.H() * 0.5 + 2), QColor(100, 170, 215), QColor(40, 100, 150));
        reeds(c, QRectF(c.r.left(), c.y(0.2), c.W(), c.H() * 0.34), 40, false);
        break;
    case Scene::Closeup: {
        QRadialGradient g(c.r.center(), std::hypot(c.W(), c.H()) / 2);
        g.setColorAt(0, accent.lighter(190));
        g.setColorAt(1, accent.lighter(120));
        p.fillRect(c.r, g);
        speedLines(c, c.at(0.5, 0.42));
        break;
    }
    }
    if (c.night && panel.scene != Scene::Classroom)
        p.fillRect(c.r, QColor(10, 20, 70, 70));
}

void foreground(Ctx &c, const Panel &panel)
{
    switch (panel.scene) {
    case Scene::River:
        reeds(c, QRectF(c.r.left(), c.y(0.62), c.W() * 0.22, c.H() * 0.38), 12, true);
        reeds(c, QRectF(c.x(0.82), c.y(0.66), c.W() * 0.18, c.H() * 0.34), 10, true);
        break;
    case Scene::Reeds: {
        // The water line: whoever stands in the river shows only head and shoulders.
        const QRectF below(c.r.left(), c.y(0.72), c.W(), c.H() * 0.28 + 2);
        QLinearGradient g(below.topLeft(), below.bottomLeft());
        g.setColorAt(0, QColor(80, 150, 200, 235));
        g.setColorAt(1, QColor(40, 100, 150, 250));
        c.p.fillRect(below, g);
        c.p.setPen(inkPen(c.ink, QColor(255, 255, 255, 200)));
        c.p.drawLine(below.topLeft(), below.topRight());
        reeds(c, QRectF(c.r.left(), c.y(0.5), c.W() * 0.3, c.H() * 0.5), 14, true);
        reeds(c, QRectF(c.x(0.78), c.y(0.45), c.W() * 0.22, c.H() * 0.55), 12, true);
        break;
    }
    default:
        break;
    }
}

void drawPanel(QPainter &p, const QRectF &rect, const Panel &panel, const QColor &accent, qreal ink, quint32 seed)
{
    p.save();
    p.setClipRect(rect);
    Ctx c{p, rect, ink, QRandomGenerator(seed), panel.night};
    background(c, panel, accent);
    for (const Actor &a : panel.actors) {
        if (panel.scene == Scene::Clouds) // everyone up here rides a cloud
            cloud(c, c.at(a.x, a.foot) + QPointF(0, c.H() * 0.02), a.height * c.H() * 0.9);
        if (panel.scene == Scene::Sea) { // a raft of four logs
            const QPointF f = c.at(a.x, a.foot);
            const qreal len = a.height * c.H() * 1.1;
            p.setPen(inkPen(c.ink));
            p.setBrush(QColor(150, 100, 50));
            for (int i = 0; i < 4; ++i)
                p.drawRoundedRect(QRectF(f.x() - len / 2, f.y() - len * 0.04 + i * len * 0.05, len, len * 0.06),
                                  len * 0.03, len * 0.03);
        }
        figure(c, a);
    }
    foreground(c, panel);
    if (!panel.speech.isEmpty() && !panel.actors.isEmpty())
        bubble(c, headOf(c, panel.actors.first()), panel.speech, std::max(12.0, std::min(c.unit() * 0.05, ink * 13)));
    p.restore();
    p.setPen(inkPen(ink * 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect);
}

// Where the panels go in the picture area: one, two along the longer side,
// or three (a row, a column, or one wide over two).
QVector<QRectF> layoutPanels(const QRectF &area, int count, qreal gap)
{
    const qreal w = area.width(), h = area.height();
    if (count <= 0)
        return {};
    if (count == 1)
        return {area};
    if (count == 2) {
        if (w > h)
            return {QRectF(area.left(), area.top(), (w - gap) / 2, h),
                    QRectF(area.left() + (w + gap) / 2, area.top(), (w - gap) / 2, h)};
        return {QRectF(area.left(), area.top(), w, (h - gap) / 2),
                QRectF(area.left(), area.top() + (h + gap) / 2, w, (h - gap) / 2)};
    }
    if (w > 2.2 * h) {
        const qreal pw = (w - 2 * gap) / 3;
        return {QRectF(area.left(), area.top(), pw, h), QRectF(area.left() + pw + gap, area.top(), pw, h),
                QRectF(area.left() + 2 * (pw + gap), area.top(), pw, h)};
    }
    if (h > 2.2 * w) {
        const qreal ph = (h - 2 * gap) / 3;
        return {QRectF(area.left(), area.top(), w, ph), QRectF(area.left(), area.top() + ph + gap, w, ph),
                QRectF(area.left(), area.top() + 2 * (ph + gap), w, ph)};
    }
    const qreal topH = (h - gap) * 0.55;
    const qreal lowH = h - gap - topH;
    return {QRectF(area.left(), area.top(), w, topH),
            QRectF(area.left(), area.top() + topH + gap, (w - gap) / 2, lowH),
            QRectF(area.left() + (w + gap) / 2, area.top() + topH + gap, (w - gap) / 2, lowH)};
}

void paper(QPainter &p, const QRectF &r)
{
    p.fillRect(r, kPaper);
    QRadialGradient v(r.center(), std::hypot(r.width(), r.height()) / 2);
    v.setColorAt(0.6, QColor(0, 0, 0, 0));
    v.setColorAt(1, QColor(120, 90, 40, 60));
    p.fillRect(r, v);
}

void drawCover(QPainter &p, const PageArt &page, qreal s)
{
    const QRectF r(QPointF(0, 0), QSizeF(page.size));
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, page.accent.darker(130));
    bg.setColorAt(1, page.accent.lighter(115));
    p.fillRect(r, bg);
    // A quiet pattern of rings.
    p.setPen(inkPen(2 * s, QColor(255, 255, 255, 26)));
    p.setBrush(Qt::NoBrush);
    const qreal step = 70 * s;
    for (qreal y = 0; y < r.height() + step; y += step)
        for (qreal x = (int(y / step) % 2) * step / 2; x < r.width() + step; x += step)
            p.drawEllipse(QPointF(x, y), step * 0.35, step * 0.35);

    const qreal m = 22 * s;
    p.setPen(inkPen(5 * s, kGold));
    p.drawRect(r.adjusted(m, m, -m, -m));
    p.setPen(inkPen(1.5 * s, kGold));
    p.drawRect(r.adjusted(m + 9 * s, m + 9 * s, -m - 9 * s, -m - 9 * s));

    // The title, as large as the width allows.
    qreal px = r.height() * 0.085;
    ArtFont title = artFont(px, true);
    const qreal room = r.width() - 6 * m;
    const qreal tw = title.width(page.bookTitle);
    if (tw > room) {
        px *= room / tw;
        title = artFont(px, true);
    }
    outlinedText(p, QPointF(r.center().x() - title.width(page.bookTitle) / 2, r.height() * 0.08 + m + title.ascent()),
                 page.bookTitle, title, QColor(255, 240, 196), kInk, 7 * s);

    // A red seal reading 连环画.
    const ArtFont sealFont = artFont(26 * s, true);
    const QRectF seal(r.width() - 2 * m - 56 * s, 2 * m + 8 * s, 44 * s, 116 * s);
    p.setPen(inkPen(2 * s, QColor(255, 230, 200)));
    p.setBrush(QColor(196, 30, 30));
    p.drawRoundedRect(seal, 6 * s, 6 * s);
    const QString sealText = QStringLiteral("连环画");
    for (int i = 0; i < sealText.size(); ++i)
        drawText(p, QRectF(seal.left(), seal.top() + 4 * s + i * 36 * s, seal.width(), 36 * s), Qt::AlignCenter,
                 sealText.mid(i, 1), sealFont, QColor(255, 236, 210));

    const QRectF picture(3 * m, r.height() * 0.24, r.width() - 6 * m, r.height() * 0.58);
    if (!page.panels.isEmpty())
        drawPanel(p, picture, page.panels.first(), page.accent, 2.2 * s, 977);
    p.setPen(inkPen(4 * s, kGold));
    p.drawRect(picture.adjusted(-6 * s, -6 * s, 6 * s, 6 * s));

    drawText(p, QRectF(2 * m, r.height() * 0.84, r.width() - 4 * m, r.height() * 0.07), Qt::AlignCenter, page.caption,
             artFont(24 * s, true), QColor(255, 240, 210));
}

} // namespace

QImage drawPage(const PageArt &page)
{
    QImage image(page.size, QImage::Format_RGB32);
    const qreal W = page.size.width();
    const qreal H = page.size.height();
    const qreal s = std::sqrt(W * H / (800.0 * 1100.0));
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const QRectF r(0, 0, W, H);
    paper(p, r);
    if (page.cover) {
        drawCover(p, page, s);
        return image;
    }

    const qreal m = 26 * s;
    const qreal gap = 14 * s;
    const qreal ink = 2.2 * s;

    // Header: the book's title and the page, over an accent rule.
    const qreal headerH = 44 * s;
    const QRectF header(m, m, W - 2 * m, headerH);
    drawText(p, header, Qt::AlignLeft | Qt::AlignVCenter, page.bookTitle, artFont(24 * s, true), page.accent.darker(140));
    drawText(p, header, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("第 %1 页").arg(page.number), artFont(18 * s),
             page.accent.darker(140));
    p.setPen(inkPen(3 * s, page.accent));
    p.drawLine(QPointF(m, m + headerH), QPointF(W - m, m + headerH));

    // Caption box beside the page-number badge, as tall as its text needs.
    const qreal badgeR = 46 * s;
    const ArtFont captionFont = artFont(24 * s);
    const qreal pad = 14 * s;
    const qreal captionW = W - 2 * m - 2 * badgeR - gap;
    const qreal captionH = std::max(2 * badgeR, wrappedHeight(captionW - 2 * pad, page.caption, captionFont) + 2 * pad);
    const QRectF captionBox(m, H - m - captionH, captionW, captionH);
    p.setPen(inkPen(ink, page.accent.darker(150)));
    p.setBrush(QColor(255, 251, 240));
    p.drawRoundedRect(captionBox, 10 * s, 10 * s);
    drawText(p, captionBox.adjusted(pad, pad, -pad, -pad), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
             page.caption, captionFont, kInk);

    const QPointF badge(W - m - badgeR, captionBox.center().y());
    QRadialGradient bg(badge - QPointF(badgeR * 0.3, badgeR * 0.3), badgeR * 1.3);
    bg.setColorAt(0, page.accent.lighter(140));
    bg.setColorAt(1, page.accent.darker(120));
    p.setPen(inkPen(ink * 1.4));
    p.setBrush(bg);
    p.drawEllipse(badge, badgeR, badgeR);
    const QString number = QString::number(page.number);
    const ArtFont numberFont = artFont(badgeR * (number.size() > 1 ? 0.95 : 1.15), true);
    outlinedText(p,
                 QPointF(badge.x() - numberFont.width(number) / 2,
                         badge.y() + (numberFont.ascent() - numberFont.descent()) / 2),
                 number, numberFont, Qt::white, kInk, 4 * s);

    const QRectF area(m, m + headerH + gap, W - 2 * m, captionBox.top() - gap - (m + headerH + gap));
    const QVector<QRectF> rects = layoutPanels(area, int(page.panels.size()), gap);
    for (int i = 0; i < rects.size(); ++i)
        drawPanel(p, rects.at(i), page.panels.at(i), page.accent, ink, quint32(page.number * 131 + i * 17 + 7));
    return image;
}

namespace {

// Blurs the alpha of a black shadow picture with three box passes each way.
void blurAlpha(QImage &img, int radius)
{
    const int w = img.width(), h = img.height();
    std::vector<int> a(size_t(w) * size_t(h)), t(a.size());
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[size_t(y) * w + x] = qAlpha(line[x]);
    }
    const int span = 2 * radius + 1;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            int sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += a[size_t(y) * w + std::clamp(x, 0, w - 1)];
            for (int x = 0; x < w; ++x) {
                t[size_t(y) * w + x] = sum / span;
                sum += a[size_t(y) * w + std::min(x + radius + 1, w - 1)] - a[size_t(y) * w + std::max(x - radius, 0)];
            }
        }
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int y = -radius; y <= radius; ++y)
                sum += t[size_t(std::clamp(y, 0, h - 1)) * w + x];
            for (int y = 0; y < h; ++y) {
                a[size_t(y) * w + x] = sum / span;
                sum += t[size_t(std::min(y + radius + 1, h - 1)) * w + x] - t[size_t(std::max(y - radius, 0)) * w + x];
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba(0, 0, 0, a[size_t(y) * w + x]);
    }
}

} // namespace

QImage drawSplash()
{
    const QSize size(480, 300);
    QPainterPath card;
    card.setFillRule(Qt::WindingFill);
    card.addRoundedRect(QRectF(22, 34, 430, 236), 30, 30);
    card.addEllipse(QPointF(404, 58), 40, 40); // the seal breaks the outline at the top right
    card = card.simplified();

    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter sp(&shadow);
        sp.setRenderHint(QPainter::Antialiasing);
        sp.fillPath(card.translated(6, 9), QColor(0, 0, 0, 150));
    }
    blurAlpha(shadow, 4);

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.drawImage(0, 0, shadow);

    QLinearGradient red(QPointF(0, 34), QPointF(0, 270));
    red.setColorAt(0, QColor(196, 52, 40));
    red.setColorAt(1, QColor(120, 20, 22));
    p.setPen(inkPen(3, QColor(90, 12, 12)));
    p.setBrush(red);
    p.drawPath(card);
    p.setPen(inkPen(1.5, kGold));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(34, 46, 406, 212), 22, 22);

    // An open book.
    p.setPen(inkPen(2, QColor(90, 40, 10)));
    p.setBrush(QColor(255, 244, 214));
    QPainterPath book(QPointF(60, 112));
    book.quadTo(QPointF(84, 100), QPointF(108, 112));
    book.quadTo(QPointF(132, 100), QPointF(156, 112));
    book.lineTo(156, 176);
    book.quadTo(QPointF(132, 164), QPointF(108, 176));
    book.quadTo(QPointF(84, 164), QPointF(60, 176));
    book.closeSubpath();
    p.drawPath(book);
    p.drawLine(QPointF(108, 112), QPointF(108, 176));
    p.setPen(inkPen(1.5, QColor(180, 120, 60)));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(68, 124 + i * 12), QPointF(100, 124 + i * 12));
        p.drawLine(QPointF(116, 124 + i * 12), QPointF(148, 124 + i * 12));
    }

    outlinedText(p, QPointF(176, 150), QStringLiteral("Korvel"), artFont(66, true), QColor(255, 236, 190),
                 QColor(80, 10, 10), 4);
    drawText(p, QRectF(176, 162, 260, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("连环画阅读器"),
             artFont(30, true), QColor(255, 226, 160));
    drawText(p, QRectF(60, 214, 370, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("读连环画 · 管理书库 · 制作新书"),
             artFont(14), QColor(255, 210, 190));

    // The seal.
    p.setPen(inkPen(3, QColor(90, 12, 12)));
    QRadialGradient gold(QPointF(394, 48), 46);
    gold.setColorAt(0, QColor(255, 230, 150));
    gold.setColorAt(1, QColor(210, 150, 50));
    p.setBrush(gold);
    p.drawEllipse(QPointF(404, 58), 30, 30);
    drawText(p, QRectF(374, 28, 60, 60), Qt::AlignCenter, QStringLiteral("阅"), artFont(30, true), QColor(170, 24, 24));
    p.end();
    return image;
}

} // namespace korvel::demo
