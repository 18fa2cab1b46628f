#include "platform/AppFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef KORVEL_SHARE_FROM_BIN
#define KORVEL_SHARE_FROM_BIN "../share/korvel"
#endif

namespace korvel::platform {

bool isApplicationFolder(const QString &programDir)
{
    const QFileInfo folder(programDir);
    return folder.isDir() && folder.isWritable() && QFileInfo(programDir + QStringLiteral("/Korvel.mdb")).isFile();
}

static QString userFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location) + QStringLiteral("/Korvel");
}

AppFolders locateAppFolders(const QString &programDirIn)
{
    AppFolders f;
    f.programDir = QDir(programDirIn).absolutePath();
    if (isApplicationFolder(f.programDir)) {
        f.resourceDir = f.dataDir = f.cacheDir = f.programDir;
        return f;
    }
    f.installed = true;
    f.resourceDir = QDir::cleanPath(f.programDir + QLatin1Char('/') + QStringLiteral(KORVEL_SHARE_FROM_BIN));
    f.seedDir = f.resourceDir + QStringLiteral("/seed");
    f.dataDir = userFolder(QStandardPaths::GenericDataLocation);
    f.cacheDir = userFolder(QStandardPaths::GenericCacheLocation);
    return f;
}

} // namespace korvel::platform
