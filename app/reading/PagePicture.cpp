#include "app/reading/PagePicture.h"

#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>

namespace korvel::app {

PagePicture::PagePicture(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PagePicture::paintEvent(QPaintEvent *)
{
    emit aboutToPaint();
    QPainter p(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_image || m_image->isNull() || !inner.isValid()) {
        p.fillRect(inner, Qt::white);
    } else if (std::abs(m_image->width() - inner.width()) <= 2 && std::abs(m_image->height() - inner.height()) <= 2) {
        // Decoded for this area: copied as it is. The pixel or two that
        // rounding adds is cut off, or left white where it lacks.
        if (m_image->hasAlphaChannel() || m_image->width() < inner.width() || m_image->height() < inner.height())
            p.fillRect(inner, Qt::white);
        p.drawImage(inner.topLeft(), *m_image, QRect(QPoint(0, 0), inner.size()));
    } else {
        p.fillRect(inner, Qt::white);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(inner, *m_image);
    }
    p.end();
    emit painted();
}

void PagePicture::mousePressEvent(QMouseEvent *e)
{
    emit mouseDown(e->button(), e->position());
}

void PagePicture::mouseReleaseEvent(QMouseEvent *e)
{
    emit mouseUp(e->button(), e->position());
}

void PagePicture::mouseMoveEvent(QMouseEvent *e)
{
    emit mouseMoved(e->position());
}

void PagePicture::mouseDoubleClickEvent(QMouseEvent *e)
{
    // A double click on the page itself does nothing; it must not reach the frame.
    e->accept();
}

} // namespace korvel::app
