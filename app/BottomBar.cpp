#include "app/BottomBar.h"

#include "view/WindowLayout.h"
#include "widgets/StyledButton.h"

#include <QLabel>

namespace korvel::app {

BottomBar::BottomBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picBottom"));
    m_background = new QLabel(this);
    m_background->setObjectName(QStringLiteral("imgBottom"));
    m_background->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e9eef7, stop:1 #c6d3e8);"));
    const QStringList captions = {QStringLiteral("阅读"), QStringLiteral("列表"), QStringLiteral("网站")};
    for (int i = 0; i < 3; ++i) {
        m_tabs[i] = new widgets::StyledButton(this);
        m_tabs[i]->setObjectName(QStringLiteral("tzbBottom_%1").arg(i));
        m_tabs[i]->setCaption(captions.at(i));
        m_tabs[i]->setButtonStyle(4);
        m_tabs[i]->setCheckBoxMode(true);
        m_tabs[i]->setGeometry(TwipsRect{0, 45, view::kBottomTabWidth, view::kBottomTabHeight}.toPixels());
        connect(m_tabs[i], &widgets::StyledButton::Click, this, [this, i] { emit tabClicked(i); });
    }
    m_tabs[0]->setValue(true);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblCount"));
    m_count->setAttribute(Qt::WA_TranslucentBackground);
}

void BottomBar::selectTab(int tab)
{
    for (int i = 0; i < 3; ++i)
        m_tabs[i]->setValue(i == tab);
}

void BottomBar::setCount(const QString &text)
{
    m_count->setText(text);
}

void BottomBar::placeTabs(const float lefts[3], const TwipsRect &label)
{
    for (int i = 0; i < 3; ++i)
        m_tabs[i]->move(toPixels(lefts[i]), m_tabs[i]->y());
    if (label.width >= 0 && label.height >= 0)
        m_count->setGeometry(label.toPixels());
}

float BottomBar::tabWidthTwips(int tab) const
{
    return toTwips(m_tabs.at(tab)->width());
}

void BottomBar::resizeEvent(QResizeEvent *)
{
    m_background->setGeometry(rect());
}

} // namespace korvel::app
