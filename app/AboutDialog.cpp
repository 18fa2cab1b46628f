#include "app/AboutDialog.h"

#include "app/AppInfo.h"
#include "app/Icons.h"
#include "platform/Services.h"
#include "platform/SiteConfig.h"

#include <QMouseEvent>
#include <QPainter>

namespace korvel::app {

AboutDialog::AboutDialog(const QString &siteRoot, platform::ShellService *shell, QWidget *owner)
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
    m_productLink = new QWidget(this);
    m_productLink->setObjectName(QStringLiteral("Label1"));
    m_productLink->setGeometry(40, 180, 160, 28);
    m_productLink->setCursor(Qt::PointingHandCursor);
    m_productLink->installEventFilter(this);
    m_homeLink = new QWidget(this);
    m_homeLink->setObjectName(QStringLiteral("Label2"));
    m_homeLink->setGeometry(220, 180, 160, 28);
    m_homeLink->setCursor(Qt::PointingHandCursor);
    m_homeLink->installEventFilter(this);
}

QString AboutDialog::productPage() const
{
    return platform::siteAddress(m_siteRoot, platform::kProductPage);
}

QString AboutDialog::homePage() const
{
    return m_siteRoot;
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && m_shell) {
        if (watched == m_productLink)
            m_shell->open(QUrl(productPage()));
        else if (watched == m_homeLink)
            m_shell->open(QUrl(homePage()));
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::paintEvent(QPaintEvent *)
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
    p.drawText(m_productLink->geometry(), Qt::AlignCenter, QStringLiteral("Korvel 主页"));
    p.drawText(m_homeLink->geometry(), Qt::AlignCenter, QStringLiteral("Dalvane 网站"));
}

} // namespace korvel::app
