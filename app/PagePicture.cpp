#include "app/PagePicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvel::app {

PagePicture::PagePicture(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PagePicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    p.fillRect(rect(), Qt::white);
    if (m_image && !m_image->isNull() && inner.isValid()) {
        if (m_image->size() == inner.size()) {
            p.drawImage(inner.topLeft(), *m_image);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(inner, *m_image);
        }
    }
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
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
