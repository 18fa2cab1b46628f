#pragma once

#include "view/Twips.h"

#include <QWidget>

#include <array>

class QLabel;

namespace korvel::widgets {
class StyledButton;
}

namespace korvel::app {

// The bar at the bottom (picBottom): the three tabs 阅读, 列表 and 网站
// (tzbBottom_0..2) and the count label of the book list (lblCount).
class BottomBar final : public QWidget {
    Q_OBJECT
public:
    explicit BottomBar(QWidget *parent = nullptr);

    // Presses one tab and releases the others.
    void selectTab(int tab);
    void setCount(const QString &text);
    // The tabs' left edges and the label's place, in twips, as the window
    // layout gives them.
    void placeTabs(const float lefts[3], const TwipsRect &label);
    float tabWidthTwips(int tab) const;

signals:
    void tabClicked(int tab);

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    QLabel *m_background = nullptr;
    std::array<widgets::StyledButton *, 3> m_tabs{};
    QLabel *m_count = nullptr;
};

} // namespace korvel::app
