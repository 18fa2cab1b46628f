#include "archive/PictureSource.h"

#include "archive/NaturalOrder.h"
#include "view/PictureDecoder.h"

#include <QDir>
#include <QFileInfo>

namespace korvel::archive {

bool hasPictureName(const QString &name)
{
    static const QStringList suffixes = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                         QStringLiteral("gif"), QStringLiteral("bmp"),  QStringLiteral("webp"),
                                         QStringLiteral("tif"), QStringLiteral("tiff")};
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.lastIndexOf(QLatin1Char('/')) > dot)
        return false;
    return suffixes.contains(name.mid(dot + 1).toLower());
}

QByteArray pictureFormat(const QByteArray &bytes, QSize *size)
{
    const view::PictureDecoder header(bytes);
    if (!header.isPicture())
        return {};
    if (size)
        *size = header.size();
    return header.format();
}

QByteArray pictureFileFormat(const QString &path, QSize *size)
{
    const auto header = view::PictureDecoder::forFile(path);
    if (!header->isPicture())
        return {};
    if (size)
        *size = header->size();
    return header->format();
}

QString extensionFor(const QByteArray &format)
{
    const QByteArray f = format.toLower();
    if (f == "jpeg" || f == "jpg")
        return QStringLiteral("jpg");
    if (f == "tiff" || f == "tif")
        return QStringLiteral("tif");
    if (f == "png" || f == "gif" || f == "bmp" || f == "webp")
        return QString::fromLatin1(f);
    return QStringLiteral("bin");
}

QStringList picturesInFolder(const QString &folder, QString *error)
{
    const QDir dir(folder);
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isReadable()) {
        if (error)
            *error = folder;
        return {};
    }
    QStringList names;
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot)) {
        if (hasPictureName(entry.fileName()))
            names << entry.fileName();
    }
    naturalSort(names);
    QStringList paths;
    paths.reserve(names.size());
    for (const QString &name : names)
        paths << dir.filePath(name);
    return paths;
}

} // namespace korvel::archive
