#include "app/FrmAbout.h"

#include "app/Frame.h"
#include "app/Icons.h"
#include "platform/Services.h"
#include "platform/SiteConfig.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvel::app {

FrmAbout::FrmAbout(const QString &siteRoot, platform::ShellService *shell, QWidget *owner)
    : QDialog(owner)
    , m_siteRoot(siteRoot)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于 Korvel - 版本：") + GetVersion());
    setWindowIcon(programIcon());
    setFixedSize(420, 260);
    setModal(true);
    // Transparent, captionless click areas over the picture.
    Label1 = new QWidget(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(40, 180, 160, 28);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
    Label2 = new QWidget(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(220, 180, 160, 28);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->installEventFilter(this);
}

QString FrmAbout::productPage() const
{
    return platform::siteAddress(m_siteRoot, QStringLiteral("/korvel/"));
}

QString FrmAbout::homePage() const
{
    return m_siteRoot;
}

bool FrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && m_shell) {
        if (watched == Label1)
            m_shell->open(QUrl(productPage()));
        else if (watched == Label2)
            m_shell->open(QUrl(homePage()));
    }
    return QDialog::eventFilter(watched, event);
}

void FrmAbout::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x8c, 0x1c, 0x1c));
    g.setColorAt(1, QColor(0x3a, 0x0a, 0x0a));
    p.fillRect(rect(), g);
    programIcon().paint(&p, QRect(30, 30, 64, 64));
    p.setPen(QColor(0xff, 0xf0, 0xd0));
    QFont f = font();
    f.setPointSize(24);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(110, 30, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Korvel"));
    f.setPointSize(12);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(110, 72, 300, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("连环画阅读器"));
    p.drawText(QRect(110, 100, 300, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("版本 ") + GetVersion());
    f.setUnderline(true);
    p.setFont(f);
    p.drawText(Label1->geometry(), Qt::AlignCenter, QStringLiteral("Korvel 主页"));
    p.drawText(Label2->geometry(), Qt::AlignCenter, QStringLiteral("Dalvane 网站"));
}

} // namespace korvel::app
