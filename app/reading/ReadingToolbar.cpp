#include "app/reading/ReadingToolbar.h"

#include "app/WidgetPlacement.h"
#include "view/WindowLayout.h"
#include "widgets/StyledButton.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStringListModel>

namespace korvel::app {

namespace {

// The page box's label draws its two words at its two ends, around the box
// that sits in its blank ("跳到第       页").
class PageBoxLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text().section(QLatin1Char(' '), 0, 0));
        p.drawText(rect().adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
                   text().section(QLatin1Char(' '), -1));
    }
};

} // namespace

widgets::StyledButton *makePaneButton(QWidget *parent, const QString &name, const QString &caption, const QString &tip)
{
    auto *b = new widgets::StyledButton(parent);
    b->setObjectName(name);
    b->setCaption(caption);
    b->setToolTip(tip);
    b->setButtonStyle(2);
    b->setShowFocusRect(true); // the focus can be seen on every button of the pane
    return b;
}

ReadingToolbar::ReadingToolbar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picTool"));
    setAutoFillBackground(true);
    previousButton = makePaneButton(this, QStringLiteral("tzbPro"), QStringLiteral("<"), QStringLiteral("上一页(←)"));
    nextButton = makePaneButton(this, QStringLiteral("tzbNext"), QStringLiteral(">"), QStringLiteral("下一页(→)"));
    zoomInButton = makePaneButton(this, QStringLiteral("tzbEnlarge"), QStringLiteral("+"), QStringLiteral("放大(+)"));
    zoomOutButton = makePaneButton(this, QStringLiteral("tzbNarrow"), QStringLiteral("-"), QStringLiteral("缩小(-)"));
    actualSizeButton = makePaneButton(this, QStringLiteral("tzbIt"), QStringLiteral("1:1"), QStringLiteral("实际大小"));
    autoPlayButton = makePaneButton(this, QStringLiteral("tzbAutoPlay"), QStringLiteral("自动"),
                                    QStringLiteral("自动翻页(F11)"));
    autoPlayButton->setCheckBoxMode(true);
    closeBookButton = makePaneButton(this, QStringLiteral("tzbCloselhh"), QStringLiteral("关闭"),
                                     QStringLiteral("关闭连环画"));
    savePictureButton = makePaneButton(this, QStringLiteral("tzbSave"), QStringLiteral("存图"),
                                       QStringLiteral("图片另存为"));
    savePictureButton->setEnabled(false); // while a page is on screen
    lockButton = makePaneButton(this, QStringLiteral("tzbLock"), QStringLiteral("锁定"),
                                QStringLiteral("翻页时锁定大小"));
    lockButton->setCheckBoxMode(true);
    pageLabel = new PageBoxLabel(QStringLiteral("跳到第       页"), this);
    pageLabel->setObjectName(QStringLiteral("Label2_0"));
    pageBox = new QComboBox(this);
    pageBox->setObjectName(QStringLiteral("Combo1"));
    pageList = new QStringListModel(QStringList{QStringLiteral("0")}, pageBox);
    pageBox->setModel(pageList);
    secondsBox = new QLineEdit(QStringLiteral("10"), this);
    secondsBox->setObjectName(QStringLiteral("Text2"));
    secondsBox->setEnabled(false);
    secondsLabel = new QLabel(QStringLiteral("秒"), this);
    secondsLabel->setObjectName(QStringLiteral("Label2_1"));

    float x = 60;
    const float bw = 420, bh = 330, top = 60;
    for (widgets::StyledButton *b : {previousButton, nextButton, zoomInButton, zoomOutButton, actualSizeButton}) {
        place(b, {x, top, bw, bh});
        x += bw + 30;
    }
    // The label's blank is widened to hold the page box.
    const QFontMetrics fm(pageLabel->font());
    const int lead = fm.horizontalAdvance(QStringLiteral("跳到第"));
    const int boxWidth = 50;
    const float labelWidth = toTwips(lead + boxWidth + 8 + fm.horizontalAdvance(QStringLiteral("页")) + 2);
    place(pageLabel, {x + 30, top, labelWidth, bh});
    place(pageBox, {x + 30 + toTwips(lead + 4), top, toTwips(boxWidth), bh});
    x += labelWidth + 60;
    place(autoPlayButton, {x, top, 600, bh});
    x += 630;
    place(secondsBox, {x, top, 450, bh});
    x += 465;
    place(secondsLabel, {x, top, 240, bh});
    x += 270;
    for (widgets::StyledButton *b : {lockButton, savePictureButton, closeBookButton}) {
        place(b, {x, top, 600, bh});
        x += 630;
    }
    place(this, {0, 0, x + 30, view::kPicToolHeight});
}

} // namespace korvel::app
