#pragma once

#include <QImage>
#include <QWidget>

namespace korvel::app {

// The page picture (picViewIt): draws the page over its whole area, inside a
// single-line border, and reports the mouse to the window. A picture decoded
// for the area inside the border is drawn pixel for pixel, never scaled.
class PagePicture final : public QWidget {
    Q_OBJECT
public:
    explicit PagePicture(QWidget *parent = nullptr);
    void setImage(const QImage *image) { m_image = image; update(); }

    // The area inside the border of a picture of the given size.
    static QSize innerSize(QSize outer) { return (outer - QSize(2, 2)).expandedTo(QSize(0, 0)); }

signals:
    void aboutToPaint(); // the page is about to be drawn
    void painted();      // the page has been drawn
    void mouseDown(Qt::MouseButton button, QPointF pos);
    void mouseUp(Qt::MouseButton button, QPointF pos);
    void mouseMoved(QPointF pos);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    const QImage *m_image = nullptr;
};

} // namespace korvel::app
