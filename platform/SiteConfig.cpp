#include "platform/SiteConfig.h"

#include "platform/Settings.h"

namespace korvel::platform {

QString defaultSiteRoot()
{
    return QStringLiteral("http://www.dalvane.com/");
}

QString siteRoot(const SettingsStore *settings)
{
    QString root = qEnvironmentVariable("KORVEL_SITE_ROOT").trimmed();
    if (root.isEmpty() && settings)
        root = settings->value(QStringLiteral("Site"), QStringLiteral("Root"), QString()).trimmed();
    if (root.isEmpty())
        root = defaultSiteRoot();
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

QString siteAddress(const QString &root, const QString &path)
{
    QString p = path;
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    return root + p;
}

} // namespace korvel::platform
