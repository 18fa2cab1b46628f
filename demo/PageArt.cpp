#include "demo/PageArt.h"

#include "demo/ArtKit.h"
#include "demo/ArtText.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace korvel::demo {

using namespace art;

namespace {

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

} // namespace korvel::demo
