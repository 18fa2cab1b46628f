#include "app/AppInfo.h"


namespace korvel::app {

QString GetVersion()
{
    // The build gives the version once, from the project's own.
    return QStringLiteral(KORVEL_VERSION);
}

QString GetCommandPath(const QStringList &arguments)
{
    QString path = arguments.mid(1).join(QLatin1Char(' '));
    path.remove(QLatin1Char('"'));
    return path;
}

QString closedCaption()
{
    return kProductName + QStringLiteral(" - ") + GetVersion();
}

QString openCaption(const QString &bookPath)
{
    return closedCaption() + QStringLiteral(" - ") + bookPath;
}

} // namespace korvel::app
