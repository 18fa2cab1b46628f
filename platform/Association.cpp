#include "platform/Association.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace korvel::platform {

QString lhhMimeXml()
{
    return QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-lhh\">\n"
        "    <comment>连环画文件</comment>\n"
        "    <glob pattern=\"*.lhh\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

static QString quoteExecArgument(const QString &path)
{
    // Desktop entry Exec quoting: double quotes around, with ", `, $ and \ escaped.
    QString escaped;
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    QString quoted = QLatin1Char('"') + escaped + QLatin1Char('"');
    // The entry format itself escapes a backslash once more.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return quoted;
}

QString desktopEntry(const QString &programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Korvel\n"
                          "Comment=连环画阅读器\n"
                          "Exec=%1 %f\n"
                          "Icon=%2\n"
                          "MimeType=application/x-lhh;\n"
                          "Terminal=false\n"
                          "Categories=Graphics;Viewer;\n")
        .arg(quoteExecArgument(programPath), programPath);
}

QString thumbnailerEntry(const QString &thumbnailerPath)
{
    return QStringLiteral("[Thumbnailer Entry]\n"
                          "TryExec=%1\n"
                          "Exec=%2 -s %s %i %o\n"
                          "MimeType=application/x-lhh;\n")
        .arg(thumbnailerPath, quoteExecArgument(thumbnailerPath));
}

QString thumbnailerPath(const QString &programPath)
{
    return QFileInfo(programPath).absolutePath() + QStringLiteral("/korvel-thumbnailer");
}

static void writeText(const QString &path, const QString &text)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(text.toUtf8());
    f.commit();
}

void writeFileAssociation(const QString &programPath, const QString &dataHome, bool refreshCaches)
{
    const QString home = dataHome.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        : dataHome;
    if (home.isEmpty())
        return;
    const QString mimeDir = home + QStringLiteral("/mime/packages");
    const QString appsDir = home + QStringLiteral("/applications");
    if (QDir().mkpath(mimeDir))
        writeText(mimeDir + QStringLiteral("/korvel-lhh.xml"), lhhMimeXml());
    if (QDir().mkpath(appsDir))
        writeText(appsDir + QStringLiteral("/korvel.desktop"), desktopEntry(programPath));
    const QString thumbnailersDir = home + QStringLiteral("/thumbnailers");
    if (QDir().mkpath(thumbnailersDir))
        writeText(thumbnailersDir + QStringLiteral("/korvel.thumbnailer"), thumbnailerEntry(thumbnailerPath(programPath)));

    // Refresh the desktop's caches when the tools are there; nothing waits or reports.
    if (!refreshCaches)
        return;
    const QString updateMime = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updateMime.isEmpty())
        QProcess::startDetached(updateMime, {home + QStringLiteral("/mime")});
    const QString updateDesktop = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!updateDesktop.isEmpty())
        QProcess::startDetached(updateDesktop, {appsDir});
}

} // namespace korvel::platform
