#include "widgets/StyledButtonPaint.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace korvel::widgets {

namespace {

QColor mix(const QColor &a, const QColor &b, double t)
{
    const auto blend = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(blend(a.red(), b.red()), blend(a.green(), b.green()), blend(a.blue(), b.blue()));
}

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

QPainterPath roundedPath(const QRect &r, qreal radius)
{
    QPainterPath path;
    const QRectF box = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    if (radius <= 0)
        path.addRect(box);
    else
        path.addRoundedRect(box, radius, radius);
    return path;
}

void fillGradient(QPainter &p, const QRect &r, const QColor &top, const QColor &bottom, qreal radius = 0)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillPath(roundedPath(r, radius), g);
}

void strokeRound(QPainter &p, const QRect &r, const QColor &color, qreal radius, qreal width = 1)
{
    p.setPen(QPen(color, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roundedPath(r, radius));
}

// One-pixel lines: top and left in one colour, bottom and right in another.
void bevel(QPainter &p, const QRect &r, const QColor &topLeft, const QColor &bottomRight)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
}

void frame(QPainter &p, const QRect &r, const QColor &c)
{
    bevel(p, r, c, c);
}

// A face in two halves, each with its own gradient.
void twoTone(QPainter &p, const QRect &r, const QColor &t0, const QColor &t1, const QColor &b0, const QColor &b1,
             qreal radius)
{
    p.save();
    p.setClipPath(roundedPath(r, radius));
    const int half = r.height() / 2;
    const QRect top(r.left(), r.top(), r.width(), half);
    const QRect bottom(r.left(), r.top() + half, r.width(), r.height() - half);
    fillGradient(p, top, t0, t1);
    fillGradient(p, bottom, b0, b1);
    p.restore();
}

// 0 and 12: flat toolbar button, framed only while hot or pressed.
void paintFlat(QPainter &p, const TzFace &f)
{
    const QColor light = mix(f.face, kWhite, 0.8);
    const QColor shadow = mix(f.face, kBlack, 0.35);
    if (f.checked && f.state != 1) {
        p.fillRect(f.rect, mix(f.face, kWhite, 0.5));
        bevel(p, f.rect, shadow, light);
        return;
    }
    p.fillRect(f.rect, f.face);
    if (f.state == 1)
        bevel(p, f.rect, light, shadow);
    else if (f.state == 2)
        bevel(p, f.rect, shadow, light);
}

// 1: classic raised 3D button, sunken while pressed.
void paintClassic(QPainter &p, const TzFace &f)
{
    const QColor light = mix(f.face, kWhite, 0.85);
    const QColor mid = mix(f.face, kWhite, 0.35);
    const QColor shadow = mix(f.face, kBlack, 0.35);
    const QColor dark = mix(f.face, kBlack, 0.7);
    p.fillRect(f.rect, f.state == 1 ? mix(f.face, kWhite, 0.15) : f.face);
    QRect r = f.rect;
    if (f.isDefault || f.hasFocus) {
        frame(p, r, dark);
        r.adjust(1, 1, -1, -1);
    }
    if (f.state == 2) {
        frame(p, r, shadow);
    } else {
        bevel(p, r, light, dark);
        bevel(p, r.adjusted(1, 1, -1, -1), mid, shadow);
    }
}

// 2: rounded face with a soft vertical gradient.
void paintRoundGradient(QPainter &p, const TzFace &f)
{
    QColor top = mix(f.face, kWhite, 0.65);
    QColor bottom = mix(f.face, kBlack, 0.08);
    if (f.state == 1) {
        top = kWhite;
        bottom = f.face;
    } else if (f.state == 2) {
        top = mix(f.face, kBlack, 0.15);
        bottom = mix(f.face, kWhite, 0.3);
    }
    fillGradient(p, f.rect, top, bottom, 2);
    strokeRound(p, f.rect, mix(f.face, kBlack, f.isDefault ? 0.7 : 0.45), 2);
}

// 3: XP-like face: navy border, orange rim while hot, blue rim with focus.
void paintXp(QPainter &p, const TzFace &f)
{
    const bool down = f.state == 2 || f.checked;
    if (down)
        fillGradient(p, f.rect, QColor(0xE3, 0xE2, 0xDA), mix(f.face, kWhite, 0.5), 3);
    else
        fillGradient(p, f.rect, kWhite, mix(f.face, QColor(0xD6, 0xD0, 0xC5), 0.6), 3);
    const QRect inner = f.rect.adjusted(1, 1, -1, -1);
    if (f.state == 1) {
        QLinearGradient rim(inner.topLeft(), inner.bottomLeft());
        rim.setColorAt(0, QColor(0xFF, 0xF0, 0xCF));
        rim.setColorAt(1, QColor(0xF8, 0xB3, 0x30));
        p.setPen(QPen(QBrush(rim), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedPath(inner.adjusted(0, 0, 0, 0), 2));
    } else if ((f.hasFocus || f.isDefault) && !down) {
        QLinearGradient rim(inner.topLeft(), inner.bottomLeft());
        rim.setColorAt(0, QColor(0xCE, 0xE7, 0xFF));
        rim.setColorAt(1, QColor(0x69, 0x82, 0xEE));
        p.setPen(QPen(QBrush(rim), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedPath(inner, 2));
    }
    strokeRound(p, f.rect, QColor(0x00, 0x3C, 0x74), 3);
}

// 4: office-like: pale face, warm yellow while hot, orange while pressed.
void paintOffice(QPainter &p, const TzFace &f)
{
    if (f.state == 1) {
        fillGradient(p, f.rect, QColor(0xFF, 0xF5, 0xCC), QColor(0xFF, 0xDB, 0x75), 2);
        strokeRound(p, f.rect, QColor(0x00, 0x00, 0x80), 2);
    } else if (f.state == 2) {
        fillGradient(p, f.rect, QColor(0xFE, 0x9E, 0x4E), QColor(0xFF, 0xD1, 0x8B), 2);
        strokeRound(p, f.rect, QColor(0x00, 0x00, 0x80), 2);
    } else {
        fillGradient(p, f.rect, mix(f.face, kWhite, 0.75), mix(f.face, kBlack, 0.06), 2);
        strokeRound(p, f.rect, mix(f.face, kBlack, f.isDefault ? 0.6 : 0.3), 2);
    }
}

// 5: flat office-XP menu look: a tinted box with a highlight border.
void paintOfficeFlat(QPainter &p, const TzFace &f)
{
    if (f.state == 0) {
        p.fillRect(f.rect, f.face);
        return;
    }
    p.fillRect(f.rect, mix(f.highlight, kWhite, f.state == 1 ? 0.7 : 0.45));
    frame(p, f.rect, f.highlight);
}

// 6: glossy gel face tinted blue.
void paintGel(QPainter &p, const TzFace &f)
{
    const QColor tint = f.state == 2 ? QColor(0x1D, 0x5F, 0xA8) : f.state == 1 ? QColor(0x2F, 0x7F, 0xD0)
                                                                               : QColor(0x5B, 0x9B, 0xD5);
    const QColor base = mix(f.face, tint, f.state == 0 ? 0.55 : 0.75);
    fillGradient(p, f.rect, mix(base, kWhite, 0.3), base, 2);
    if (f.state != 2) {
        QRect gloss = f.rect.adjusted(1, 1, -1, 0);
        gloss.setHeight(f.rect.height() / 2);
        QColor g0 = kWhite;
        g0.setAlpha(200);
        QColor g1 = kWhite;
        g1.setAlpha(50);
        fillGradient(p, gloss, g0, g1, 1.5);
    }
    strokeRound(p, f.rect, mix(base, kBlack, 0.45), 2);
}

// 7: metal-like: light gradient, dark line border, white inner edge.
void paintMetal(QPainter &p, const TzFace &f)
{
    if (f.state == 2)
        p.fillRect(f.rect, mix(f.face, kBlack, 0.15));
    else
        fillGradient(p, f.rect, mix(f.face, kWhite, 0.5), f.face);
    frame(p, f.rect, f.state == 1 ? f.highlight : mix(f.face, kBlack, 0.55));
    if (f.state != 2) {
        const QRect in = f.rect.adjusted(1, 1, -1, -1);
        p.fillRect(QRect(in.left(), in.top(), in.width(), 1), kWhite);
        p.fillRect(QRect(in.left(), in.top(), 1, in.height()), kWhite);
    }
}

// 8: glass-like face in two halves, light blue while hot.
void paintGlass(QPainter &p, const TzFace &f)
{
    QColor border;
    if (f.state == 1) {
        twoTone(p, f.rect, QColor(0xEA, 0xF6, 0xFD), QColor(0xD9, 0xF0, 0xFC), QColor(0xBE, 0xE6, 0xFD),
                QColor(0xA7, 0xD9, 0xF5), 2);
        border = QColor(0x3C, 0x7F, 0xB1);
    } else if (f.state == 2) {
        twoTone(p, f.rect, QColor(0xE5, 0xF4, 0xFC), QColor(0xC4, 0xE5, 0xF6), QColor(0x98, 0xD1, 0xEF),
                QColor(0x68, 0xB3, 0xDB), 2);
        border = QColor(0x2C, 0x62, 0x8B);
    } else {
        twoTone(p, f.rect, mix(f.face, kWhite, 0.7), mix(f.face, kWhite, 0.5), mix(f.face, kBlack, 0.06),
                mix(f.face, kBlack, 0.13), 2);
        border = f.isDefault ? QColor(0x3C, 0x7F, 0xB1) : QColor(0x70, 0x70, 0x70);
    }
    strokeRound(p, f.rect, border, 2);
}

// 9: link-like: no face at all; the caption is underlined while hot.
void paintLink(QPainter &p, const TzFace &f)
{
    p.fillRect(f.rect, f.checked ? mix(f.face, f.highlight, 0.18) : f.face);
}

// 10: soft rounded face with a highlight line under the top edge.
void paintSoft(QPainter &p, const TzFace &f)
{
    QColor top = mix(f.face, kWhite, 0.5);
    QColor bottom = mix(f.face, kBlack, 0.06);
    QColor border = mix(f.face, kBlack, f.isDefault ? 0.6 : 0.4);
    if (f.state == 1) {
        top = mix(f.face, kWhite, 0.8);
        border = mix(f.highlight, f.face, 0.3);
    } else if (f.state == 2) {
        top = mix(f.face, kBlack, 0.12);
        bottom = mix(f.face, kWhite, 0.2);
    }
    fillGradient(p, f.rect, top, bottom, 3);
    if (f.state != 2) {
        QColor line = kWhite;
        line.setAlpha(180);
        p.fillRect(QRect(f.rect.left() + 3, f.rect.top() + 1, f.rect.width() - 6, 1), line);
    }
    strokeRound(p, f.rect, border, 3);
}

// 11: flat face with an accent bar along the bottom.
void paintAccentBar(QPainter &p, const TzFace &f)
{
    const QColor fill = f.state == 1 ? mix(f.face, kWhite, 0.35) : f.state == 2 ? mix(f.face, kBlack, 0.12) : f.face;
    p.fillRect(f.rect, fill);
    const int bar = qMin(3, f.rect.height() / 4);
    p.fillRect(QRect(f.rect.left(), f.rect.bottom() + 1 - bar, f.rect.width(), bar),
               f.state == 0 ? mix(f.face, kBlack, 0.2) : f.highlight);
}

// 13: double-line border: a dark outer line and an inner bevel.
void paintDoubleLine(QPainter &p, const TzFace &f)
{
    const QColor fill = f.state == 1 ? mix(f.face, kWhite, 0.25) : f.state == 2 ? mix(f.face, kBlack, 0.08) : f.face;
    p.fillRect(f.rect, fill);
    frame(p, f.rect, mix(f.face, kBlack, f.state == 2 || f.isDefault ? 0.75 : 0.45));
    const QRect in = f.rect.adjusted(2, 2, -2, -2);
    const QColor light = kWhite;
    const QColor shadow = mix(f.face, kBlack, 0.3);
    if (f.state == 2)
        bevel(p, in, shadow, light);
    else
        bevel(p, in, light, shadow);
}

// 14: capsule with a strong rounding and a gloss over the upper half.
void paintCapsule(QPainter &p, const TzFace &f)
{
    const QColor base = f.state == 1 ? mix(f.face, f.highlight, 0.25)
                        : f.state == 2 ? mix(f.face, kBlack, 0.18)
                                       : f.face;
    QLinearGradient g(f.rect.topLeft(), f.rect.bottomLeft());
    if (f.state == 2) {
        g.setColorAt(0, mix(base, kBlack, 0.08));
        g.setColorAt(1, mix(base, kWhite, 0.5));
    } else {
        g.setColorAt(0, mix(base, kWhite, 0.7));
        g.setColorAt(0.5, base);
        g.setColorAt(1, mix(base, kBlack, 0.08));
    }
    const qreal radius = qMin<qreal>(8.5, qMin(f.rect.width(), f.rect.height()) / 2.0);
    p.fillPath(roundedPath(f.rect, radius), g);
    if (f.state != 2) {
        QRect gloss = f.rect.adjusted(3, 1, -3, 0);
        gloss.setHeight(f.rect.height() / 2 - 1);
        QColor shine = kWhite;
        shine.setAlpha(90);
        p.fillPath(roundedPath(gloss, qMin<qreal>(radius, gloss.height() / 2.0)), shine);
    }
    strokeRound(p, f.rect, mix(base, kBlack, f.isDefault ? 0.7 : 0.45), radius);
}

// 15: ribbon-like face in two halves, golden while hot, orange pressed.
void paintRibbon(QPainter &p, const TzFace &f)
{
    if (f.state == 1) {
        twoTone(p, f.rect, QColor(0xFF, 0xFD, 0xDE), QColor(0xFF, 0xE7, 0x93), QColor(0xFF, 0xD7, 0x5A),
                QColor(0xFF, 0xE7, 0x96), 2);
        strokeRound(p, f.rect, QColor(0xDB, 0xCE, 0x99), 2);
    } else if (f.state == 2) {
        twoTone(p, f.rect, QColor(0xF8, 0xB0, 0x48), QColor(0xF5, 0xA4, 0x41), QColor(0xF1, 0x8C, 0x18),
                QColor(0xFD, 0xAD, 0x11), 2);
        strokeRound(p, f.rect, QColor(0x8E, 0x81, 0x65), 2);
    } else {
        twoTone(p, f.rect, mix(f.face, kWhite, 0.6), mix(f.face, kWhite, 0.4), f.face, mix(f.face, kWhite, 0.3),
                2);
        strokeRound(p, f.rect, mix(f.face, kBlack, 0.2), 2);
    }
}

bool shiftsWhenPressed(int style)
{
    switch (style) {
    case 0: case 1: case 2: case 7: case 9: case 10: case 12: case 13: return true;
    default: return false;
    }
}

} // namespace

void paintFace(QPainter &p, int style, const TzFace &face)
{
    TzFace f = face;
    if (!f.enabled)
        f.state = 0;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (style) {
    case 1: paintClassic(p, f); break;
    case 2: paintRoundGradient(p, f); break;
    case 3: paintXp(p, f); break;
    case 4: paintOffice(p, f); break;
    case 5: paintOfficeFlat(p, f); break;
    case 6: paintGel(p, f); break;
    case 7: paintMetal(p, f); break;
    case 8: paintGlass(p, f); break;
    case 9: paintLink(p, f); break;
    case 10: paintSoft(p, f); break;
    case 11: paintAccentBar(p, f); break;
    case 13: paintDoubleLine(p, f); break;
    case 14: paintCapsule(p, f); break;
    case 15: paintRibbon(p, f); break;
    default: paintFlat(p, f); break; // 0 and 12
    }
    if (!f.enabled) {
        // Washed out towards the face colour.
        QColor veil = f.face;
        veil.setAlpha(110);
        p.fillRect(f.rect, veil);
    }
    p.restore();
}

TzCaptionLook captionLook(int style, const TzFace &f)
{
    TzCaptionLook look;
    look.color = f.enabled ? f.text : f.disabledText;
    if (!f.enabled) {
        look.etched = style == 0 || style == 1 || style == 12 || style == 13;
        return look;
    }
    const bool down = f.state == 2 || (f.checked && style != 3);
    if (down && shiftsWhenPressed(style))
        look.offset = QPoint(1, 1);
    if (style == 9 && f.state != 0) {
        look.underline = true;
        look.color = mix(f.text, f.highlight, 0.6);
    }
    return look;
}

QRegion roundedRegion(int width, int height, int ellipse)
{
    QRegion region(0, 0, width, height);
    if (ellipse <= 0 || width <= 0 || height <= 0)
        return region;
    // A corner pixel goes when its centre lies outside the quarter ellipse
    // drawn half a pixel inside the corner.
    const double radius = ellipse / 2.0;
    const double limit = radius - 0.5;
    const int span = qMin(qCeil(radius), qMin(width, height) / 2);
    QRegion cut;
    for (int j = 0; j < span; ++j) {
        for (int i = 0; i < span; ++i) {
            const double dx = radius - (i + 0.5);
            const double dy = radius - (j + 0.5);
            if (dx * dx + dy * dy <= limit * limit)
                continue;
            cut += QRect(i, j, 1, 1);
            cut += QRect(width - 1 - i, j, 1, 1);
            cut += QRect(i, height - 1 - j, 1, 1);
            cut += QRect(width - 1 - i, height - 1 - j, 1, 1);
        }
    }
    return region.subtracted(cut);
}

bool isGlyphCaption(const QString &caption)
{
    return caption == QLatin1String("1") || caption == QLatin1String("2") || caption == QLatin1String("r");
}

void paintGlyph(QPainter &p, const QString &caption, const QRect &box, const QColor &color)
{
    p.save();
    const int s = box.width();
    const int bar = qMax(1, s / 8);
    if (caption == QLatin1String("r")) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(color, qMax(1.5, s / 7.0), Qt::SolidLine, Qt::SquareCap));
        const QRectF r = QRectF(box).adjusted(s * 0.2, s * 0.2, -s * 0.2, -s * 0.2);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomLeft());
    } else {
        // A window outline with a thick title bar.
        const auto window = [&](const QRect &w) {
            frame(p, w, color);
            p.fillRect(QRect(w.left(), w.top(), w.width(), bar + 1), color);
        };
        const QRect inner = box.adjusted(s / 8, s / 8, -s / 8, -s / 8);
        if (caption == QLatin1String("1")) {
            window(inner);
        } else {
            const int part = inner.width() * 3 / 4;
            const QRect back(inner.right() + 1 - part, inner.top(), part, part);
            const QRect front(inner.left(), inner.bottom() + 1 - part, part, part);
            // The back window shows only around the front one.
            p.save();
            p.setClipRegion(QRegion(back).subtracted(QRegion(front)));
            window(back);
            p.restore();
            window(front);
        }
    }
    p.restore();
}

} // namespace korvel::widgets
