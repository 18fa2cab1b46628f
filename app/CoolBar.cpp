#include "app/CoolBar.h"

#include "app/WidgetPlacement.h"
#include "view/WindowLayout.h"
#include "widgets/StyledButton.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolBar>

namespace korvel::app {

namespace {

const QString kSearchPrompt = QStringLiteral("请输入连环画书名");

} // namespace

CoolBar::CoolBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CoolBar"));
    setAutoFillBackground(true);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // An empty caption is a separator.
    const QStringList captions = {QString(), QString(), QStringLiteral("新建"), QStringLiteral("打开"),
                                  QStringLiteral("关闭"), QString(), QStringLiteral("保存"), QString(),
                                  QStringLiteral("添加"), QString(), QStringLiteral("下载"), QString(),
                                  QStringLiteral("主页"), QStringLiteral("关于"), QString()};
    for (int i = 1; i <= 14; ++i) {
        m_buttons[i] = captions.at(i).isEmpty() ? m_toolbar->addSeparator() : m_toolbar->addAction(captions.at(i));
        m_buttons[i]->setObjectName(QStringLiteral("ToolbarButton%1").arg(i));
        connect(m_buttons[i], &QAction::triggered, this, [this, i] { emit buttonClicked(i); });
    }

    m_searchBand = new QWidget(this);
    m_searchBand->setObjectName(QStringLiteral("picSearch"));
    m_searchBackground = new QLabel(m_searchBand);
    m_searchBackground->setObjectName(QStringLiteral("imgSearch_bg"));
    m_searchBox = new QLineEdit(kSearchPrompt, m_searchBand);
    m_searchBox->setObjectName(QStringLiteral("txtSearch"));
    m_searchBox->installEventFilter(this);
    connect(m_searchBox, &QLineEdit::textChanged, this, &CoolBar::searchTextChanged);
    connect(m_searchBox, &QLineEdit::returnPressed, this, &CoolBar::searchRequested);
    m_searchButton = new widgets::StyledButton(m_searchBand);
    m_searchButton->setObjectName(QStringLiteral("tzbSearch"));
    m_searchButton->setCaption(QStringLiteral("搜索"));
    m_webSearchButton = new widgets::StyledButton(m_searchBand);
    m_webSearchButton->setObjectName(QStringLiteral("tzbWebSearch"));
    m_webSearchButton->setCaption(QStringLiteral("网搜"));
    for (widgets::StyledButton *b : {m_searchButton, m_webSearchButton})
        b->setButtonStyle(1);
    connect(m_searchButton, &widgets::StyledButton::Click, this, &CoolBar::searchRequested);
    connect(m_webSearchButton, &widgets::StyledButton::Click, this, [this] { emit webSearchRequested(m_searchBox->text()); });
    applyBackground();
}

void CoolBar::resizeEvent(QResizeEvent *)
{
    // The band keeps its width beside the toolbar, whatever the window's.
    const view::CoolBarLayout l = view::computeCoolBarLayout(toTwips(width()));
    place(m_toolbar, l.Toolbar);
    place(m_searchBand, l.picSearch);
    place(m_searchBox, l.txtSearch);
    place(m_searchButton, l.tzbSearch);
    place(m_webSearchButton, l.tzbWebSearch);
    place(m_searchBackground, l.imgSearch_bg);
}

bool CoolBar::eventFilter(QObject *watched, QEvent *event)
{
    // The box shows its prompt while it is empty and the user is elsewhere.
    if (watched == m_searchBox) {
        if (event->type() == QEvent::FocusOut && m_searchBox->text().isEmpty())
            m_searchBox->setText(kSearchPrompt);
        else if (event->type() == QEvent::MouseButtonPress && m_searchBox->text() == kSearchPrompt)
            m_searchBox->clear();
    }
    return QWidget::eventFilter(watched, event);
}

void CoolBar::applyBackground()
{
    // The toolbar wears the search band's background pattern.
    QPixmap pattern(8, toPixels(view::kCoolBarHeight));
    QPainter p(&pattern);
    QLinearGradient g(0, 0, 0, pattern.height());
    g.setColorAt(0, QColor(0xf4, 0xf7, 0xfc));
    g.setColorAt(1, QColor(0xc9, 0xd6, 0xea));
    p.fillRect(pattern.rect(), g);
    p.end();
    // Tiled: the pattern is the same across, so the band needs no wide copy of it.
    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(pattern));
    setPalette(pal);
    m_searchBackground->setAutoFillBackground(true);
    m_searchBackground->setPalette(pal);
    m_toolbar->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"
                                            " QToolButton { padding: 1px 2px; margin: 0px; }"
                                            " QToolBar::separator { width: 5px; }"));
}

} // namespace korvel::app
