#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

namespace korvel::archive {

// Whether a name ends like a picture file (.jpg, .jpeg, .png, .gif, .bmp,
// .webp, .tif, .tiff), in any case. Only such entries of an archive are
// ever read.
bool hasPictureName(const QString &name);

// The picture format the bytes hold ("jpeg", "png", ...), read from the
// header alone; empty when they are not a picture with a size. *size gets
// the natural size when asked for.
QByteArray pictureFormat(const QByteArray &bytes, QSize *size = nullptr);
QByteArray pictureFileFormat(const QString &path, QSize *size = nullptr);

// The usual file extension of a format ("jpeg" -> "jpg", "tiff" -> "tif");
// "bin" for anything unknown.
QString extensionFor(const QByteArray &format);

// The picture files directly inside folder, by name in natural order.
// Sub-folders and other files are left alone. Sets *error (and returns
// nothing) when the folder cannot be listed.
QStringList picturesInFolder(const QString &folder, QString *error = nullptr);

} // namespace korvel::archive
