#pragma once

#include <QImage>
#include <QPainter>

namespace korvel::maker {

// 24 bits a pixel: transparent parts are laid on white, as a picture
// without an alpha channel shows them.
inline QImage flattenOnWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB888);
    QImage flat(image.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, image);
    p.end();
    return flat;
}

} // namespace korvel::maker
