#include "platform/Association.h"

#include <QDir>
#include <QFile>
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

// Writes the file only when it does not hold the text already, so an
// unchanged association costs a read and nothing else. True when written.
static bool writeText(const QString &path, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.size() == bytes.size() && current.readAll() == bytes)
        return false;
    current.close();
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(bytes);
    return f.commit();
}

bool writeFileAssociation(const QString &programPath, const QString &dataHome, bool refreshCaches)
{
    const QString home = dataHome.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        : dataHome;
    if (home.isEmpty())
        return false;
    const QString mimeDir = home + QStringLiteral("/mime/packages");
    const QString appsDir = home + QStringLiteral("/applications");
    bool mimeChanged = false, appsChanged = false, thumbnailerChanged = false;
    if (QDir().mkpath(mimeDir))
        mimeChanged = writeText(mimeDir + QStringLiteral("/korvel-lhh.xml"), lhhMimeXml());
    if (QDir().mkpath(appsDir))
        appsChanged = writeText(appsDir + QStringLiteral("/korvel.desktop"), desktopEntry(programPath));
    const QString thumbnailersDir = home + QStringLiteral("/thumbnailers");
    if (QDir().mkpath(thumbnailersDir))
        thumbnailerChanged = writeText(thumbnailersDir + QStringLiteral("/korvel.thumbnailer"),
                                       thumbnailerEntry(thumbnailerPath(programPath)));

    // Refresh the desktop's caches when the tools are there and a file
    // changed; nothing waits or reports.
    if (!refreshCaches)
        return mimeChanged || appsChanged || thumbnailerChanged;
    const QString updateMime = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (mimeChanged && !updateMime.isEmpty())
        QProcess::startDetached(updateMime, {home + QStringLiteral("/mime")});
    const QString updateDesktop = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (appsChanged && !updateDesktop.isEmpty())
        QProcess::startDetached(updateDesktop, {appsDir});
    return mimeChanged || appsChanged || thumbnailerChanged;
}

} // namespace korvel::platform
