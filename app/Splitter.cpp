#include "app/Splitter.h"

#include "view/Twips.h"

#include <QMouseEvent>

namespace korvel::app {

Splitter::Splitter(QWidget *parent, std::function<float(float)> clamp)
    : QWidget(parent)
    , m_clamp(std::move(clamp))
{
    setObjectName(QStringLiteral("imgSplitter"));
    setCursor(Qt::SplitHCursor);
    m_bar = new QWidget(parent);
    m_bar->setObjectName(QStringLiteral("picSplitter"));
    m_bar->setStyleSheet(QStringLiteral("background: #404040;"));
    m_bar->hide();
}

void Splitter::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton)
        return;
    // The bar is 20 twips shorter than the splitter.
    m_bar->setGeometry(x(), y(), width(), std::max(0, height() - toPixels(20)));
    m_bar->show();
    m_bar->raise();
    m_dragging = true;
}

void Splitter::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_dragging)
        return;
    const float candidate = toTwips(x()) + toTwips(e->position().x());
    m_bar->move(toPixels(m_clamp(candidate)), m_bar->y());
}

void Splitter::mouseReleaseEvent(QMouseEvent *)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    m_bar->hide();
    emit released(toTwips(m_bar->x()));
}

} // namespace korvel::app
