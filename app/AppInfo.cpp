#include "app/AppInfo.h"

#include <QFileInfo>


namespace korvel::app {

QString GetVersion()
{
    // The build gives the version once, from the project's own.
    return QStringLiteral(KORVEL_VERSION);
}

QString GetCommandPath(const QStringList &arguments)
{
    QString path = arguments.mid(1).join(QLatin1Char(' '));
    // A file whose own name holds a double quote is opened as named; only
    // otherwise are the quotes taken for the shell's.
    if (path.contains(QLatin1Char('"')) && QFileInfo::exists(path))
        return path;
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
