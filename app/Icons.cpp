#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvel::app {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size / 16.0;
        // An open book with a red cover.
        p.setBrush(QColor(0xb0, 0x20, 0x20));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0.5 * s, 2 * s, 15 * s, 12 * s), s, s);
        p.setBrush(QColor(0xff, 0xf8, 0xe8));
        p.drawRect(QRectF(1.5 * s, 3 * s, 6 * s, 10 * s));
        p.drawRect(QRectF(8.5 * s, 3 * s, 6 * s, 10 * s));
        p.setPen(QPen(QColor(0x60, 0x40, 0x20), 0.6 * s));
        for (int i = 0; i < 3; ++i) {
            const qreal y = (5 + 2.5 * i) * s;
            p.drawLine(QPointF(2.5 * s, y), QPointF(6.5 * s, y));
            p.drawLine(QPointF(9.5 * s, y), QPointF(13.5 * s, y));
        }
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

static QCursor arrowPointer(bool right)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (right) {
        path.moveTo(4, 11); path.lineTo(16, 11); path.lineTo(16, 4); path.lineTo(28, 16);
        path.lineTo(16, 28); path.lineTo(16, 21); path.lineTo(4, 21);
    } else {
        path.moveTo(28, 11); path.lineTo(16, 11); path.lineTo(16, 4); path.lineTo(4, 16);
        path.lineTo(16, 28); path.lineTo(16, 21); path.lineTo(28, 21);
    }
    path.closeSubpath();
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.drawPath(path);
    p.end();
    return QCursor(pm, right ? 28 : 4, 16);
}

QCursor previousPagePointer()
{
    return arrowPointer(false);
}

QCursor nextPagePointer()
{
    return arrowPointer(true);
}

QIcon treeImage(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 1: // the root: a stack of books
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xb0, 0x30, 0x30));
        p.drawRect(2, 10, 12, 4);
        p.setBrush(QColor(0x30, 0x60, 0xb0));
        p.drawRect(3, 6, 10, 4);
        p.setBrush(QColor(0x30, 0x90, 0x40));
        p.drawRect(4, 2, 8, 4);
        break;
    case 2: // a category: a folder
        p.setPen(QColor(0x90, 0x70, 0x10));
        p.setBrush(QColor(0xf0, 0xc8, 0x40));
        p.drawRect(1, 4, 14, 10);
        p.drawRect(1, 2, 6, 2);
        break;
    case 3: // the web: a globe
        p.setPen(QPen(QColor(0x20, 0x60, 0xb0), 1.2));
        p.setBrush(QColor(0xc8, 0xe0, 0xff));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case 6: // search results: a magnifier
    default:
        p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
        p.setBrush(QColor(0xe8, 0xf4, 0xff));
        p.drawEllipse(QRectF(2, 2, 8, 8));
        p.drawLine(QPointF(9, 9), QPointF(14, 14));
        break;
    }
    p.end();
    return QIcon(pm);
}

QIcon listImage(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 2: // a book file: a small closed book
        p.setPen(QColor(0x70, 0x10, 0x10));
        p.setBrush(QColor(0xc0, 0x30, 0x30));
        p.drawRect(3, 2, 10, 12);
        p.setPen(QColor(0xff, 0xf0, 0xd0));
        p.drawLine(5, 5, 11, 5);
        break;
    case 7: // a book that runs by itself: a window
        p.setPen(QColor(0x20, 0x40, 0x80));
        p.setBrush(Qt::white);
        p.drawRect(1, 3, 14, 11);
        p.fillRect(2, 4, 13, 3, QColor(0x30, 0x60, 0xc0));
        break;
    case 4: // there: a green tick
        p.setPen(QPen(QColor(0x20, 0x90, 0x30), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
        break;
    case 5: // gone: a red cross
    default:
        p.setPen(QPen(QColor(0xc0, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    p.end();
    return QIcon(pm);
}

} // namespace korvel::app
