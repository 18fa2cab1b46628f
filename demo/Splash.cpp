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
