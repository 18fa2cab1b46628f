#include "app/SplashPicture.h"

#include <QImageReader>

#include <algorithm>

namespace korvel::app {

QImage readSplashPicture(const QString &path, const QSize &screen)
{
    QImageReader reader(path);
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
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace korvel::app
