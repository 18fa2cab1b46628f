#include "app/SplashPicture.h"

#include "view/PictureDecoder.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace korvel::app {

QImage readSplashPicture(const QString &path, const QSize &screen)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A picture whose first bytes tell its kind is read by that kind's reader
    // alone: asking the image plugins first loads every one of them. Anything
    // else is left to the plugins, as ever.
    const QByteArray format = view::pageFormatOf(file.peek(16));
    QImageReader reader(&file, format);
    if (!format.isEmpty())
        reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxSplashPixels)
        return {};
    QRect shown(QPoint(0, 0), size);
    if (screen.isValid() && !screen.isEmpty())
        shown.setSize(size.boundedTo(screen));
    // Formats that can decode a part of the picture decode only what shows.
    if (shown.size() != size && reader.supportsOption(QImageIOHandler::ClipRect))
        reader.setClipRect(shown);
    QImage picture = reader.read();
    if (picture.isNull())
        return {};
    if (picture.size() != shown.size())
        picture = picture.copy(QRect(QPoint(0, 0), shown.size()));
    // Converted where it lies: a second picture's worth of fresh memory costs
    // more at start-up than the conversion itself.
    picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    return picture;
}

} // namespace korvel::app
