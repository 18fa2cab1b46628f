#include "demo/ArtKit.h"

#include "demo/ArtText.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace korvel::demo::art {

namespace {

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

} // namespace

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

} // namespace korvel::demo::art
