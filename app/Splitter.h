#pragma once

#include <QWidget>

#include <functional>

namespace korvel::app {

// The splitter between the category side and the views (imgSplitter). While
// it is dragged only a dark bar (picSplitter) follows the pointer, kept
// within the window's limits; the panes move once, on release.
class Splitter final : public QWidget {
    Q_OBJECT
public:
    // clamp: the splitter rule for a position in twips (the window's width
    // decides it, so the window gives it).
    Splitter(QWidget *parent, std::function<float(float)> clamp);

signals:
    // The new position in twips, on release.
    void released(float twips);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    std::function<float(float)> m_clamp;
    QWidget *m_bar = nullptr;
    bool m_dragging = false;
};

} // namespace korvel::app
