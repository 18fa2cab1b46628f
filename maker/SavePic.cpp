#include "maker/SavePic.h"

#include "maker/Flatten.h"

#include "maker/GifWriter.h"
#include "platform/NewFile.h"
#include "platform/SystemErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QFile>

#include <cerrno>

namespace korvel::maker {

namespace {

SaveError error(int number, const QString &description)
{
    return SaveError{number, description};
}

// What went wrong with a file that could not be written, told by the file
// system's own reason (in Chinese, as the message around it is).
SaveError fileError(const QString &path, int systemError)
{
    const QString where = QDir::toNativeSeparators(path);
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return error(SaveError::PathNotFound, QStringLiteral("无法写入 %1：文件夹不存在").arg(where));
    const QString reason = systemError ? platform::systemErrorText(systemError) : QStringLiteral("无法写入文件");
    switch (systemError) {
    case ENOSPC:
    case EDQUOT:
        return error(SaveError::DiskFull, QStringLiteral("无法写入 %1：%2").arg(where, reason));
    case EACCES:
    case EPERM:
    case EROFS:
        return error(SaveError::PermissionDenied, QStringLiteral("无法写入 %1：%2").arg(where, reason));
    default:
        return error(SaveError::FileAccess, QStringLiteral("无法写入 %1：%2").arg(where, reason));
    }
}

SaveError writeWithQt(const QImage &image, const QString &path, const QByteArray &format, int quality,
                      int compression)
{
    platform::NewFile out(path);
    if (!out.open())
        return fileError(path, out.error());
    QFile &file = out.file();
    QImageWriter writer(&file, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (compression >= 0)
        writer.setCompression(compression);
    errno = 0;
    if (!writer.write(image)) {
        const int systemError = errno;
        out.cancel();
        if (writer.error() == QImageWriter::DeviceError || file.error() != QFileDevice::NoError)
            return fileError(path, systemError);
        return error(SaveError::NotAPicture,
                     QStringLiteral("无法把图片编码写入 %1").arg(QDir::toNativeSeparators(path)));
    }
    // The name itself is replaced: a link of that name is never written through.
    if (!out.commit(true))
        return fileError(path, out.error());
    return {};
}

} // namespace

SaveError savePicFile(const QImage &image, const QString &path, const QString &extension, int quality,
                      int colourDepth, int compression)
{
    static const QStringList known = {QStringLiteral(".jpg"), QStringLiteral(".png"), QStringLiteral(".gif"),
                                      QStringLiteral(".tiff"), QStringLiteral(".bmp")};
    if (!known.contains(extension))
        return error(SaveError::BadExtension, QStringLiteral("“%1”不是可以保存的图片类型（%2）")
                                                  .arg(extension, known.join(QLatin1Char(' '))));
    if (image.isNull())
        return error(SaveError::NotAPicture, QStringLiteral("没有可以写入 %1 的图片")
                                                 .arg(QDir::toNativeSeparators(path)));
    if (QFileInfo(path).isDir())
        return error(SaveError::FileAccess,
                     QStringLiteral("无法写入 %1：这是一个文件夹").arg(QDir::toNativeSeparators(path)));

    if (extension == QLatin1String(".jpg"))
        return writeWithQt(flattenOnWhite(image), path, "jpeg", quality, -1);
    if (extension == QLatin1String(".png"))
        return writeWithQt(image, path, "png", -1, -1);
    if (extension == QLatin1String(".bmp"))
        return writeWithQt(flattenOnWhite(image), path, "bmp", -1, -1);
    if (extension == QLatin1String(".tiff")) {
        // The plugin writes 8 bits a sample from an RGB888 picture: 24 bits a
        // pixel. Its compression 0 is none, the only kind asked for here.
        Q_UNUSED(colourDepth);
        return writeWithQt(flattenOnWhite(image), path, "tiff", -1, compression == kNoCompression ? 0 : 1);
    }
    // ".gif": Qt reads GIF but cannot write it.
    errno = 0;
    const GifResult gif = writeGif(image, path);
    if (!gif) {
        const int systemError = errno;
        if (gif.error.startsWith(QLatin1String("cannot write")))
            return fileError(path, systemError);
        return error(SaveError::NotAPicture,
                     QStringLiteral("无法把图片编码写入 %1").arg(QDir::toNativeSeparators(path)));
    }
    return {};
}

QString saveErrorText(const SaveError &e)
{
    return QStringLiteral("在保存图片的过程中发生错误:") + QStringLiteral("\r\n\r\n") + QStringLiteral("错误号:  ")
        + QString::number(e.number) + QStringLiteral("\r\n") + QStringLiteral("错误描述:  ") + e.description;
}

QList<QPair<QString, QString>> pictureSaveFilters()
{
    return {
        {QStringLiteral("JPEG(*.jpg;*.jpeg;*.jpe)"), QStringLiteral("*.jpg;*.jpeg;*.jpe")},
        {QStringLiteral("BMP(*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("GIF(*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("PNG(*.png)"), QStringLiteral("*.png")},
        {QStringLiteral("TIFF(*.tiff)"), QStringLiteral("*.tiff")},
    };
}

std::optional<QString> extensionForFilter(int filterIndex)
{
    switch (filterIndex) {
    case 0:
    case 1:
        return QStringLiteral(".jpg");
    case 2:
        return QStringLiteral(".bmp");
    case 3:
        return QStringLiteral(".gif");
    case 4:
        return QStringLiteral(".png");
    case 5:
        return QStringLiteral(".tiff");
    default:
        return std::nullopt;
    }
}

QString withExtension(const QString &name, const QString &extension)
{
    return name.contains(extension, Qt::CaseSensitive) ? name : name + extension;
}

} // namespace korvel::maker
