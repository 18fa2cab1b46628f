#include "view/PageImage.h"

#include "view/PictureDecoder.h"

#include <QImageReader>

namespace korvel::view {

QSize decodeSizeFor(QSize natural, QSize px)
{
    if (!natural.isValid() || natural.isEmpty() || !px.isValid() || px.isEmpty())
        return natural;
    if (px.width() >= natural.width() || px.height() >= natural.height())
        return natural;
    // Keep the proportions and never go below the shown size on either side.
    const double s = std::max(double(px.width()) / natural.width(), double(px.height()) / natural.height());
    QSize out(int(std::ceil(natural.width() * s)), int(std::ceil(natural.height() * s)));
    return out.boundedTo(natural);
}

void allowLargestPages()
{
    // Four bytes a pixel, in whole megabytes as Qt counts them.
    constexpr qint64 bytes = kLargestPagePixels * 4;
    QImageReader::setAllocationLimit(int((bytes + (1 << 20) - 1) >> 20));
}

QSize pictureSize(const QByteArray &bytes)
{
    const PictureDecoder header(bytes);
    return header.isPicture() ? header.size() : QSize();
}

QImage PageImage::decode(const QByteArray &bytes, QSize natural, QSize target)
{
    Q_UNUSED(natural);
    PictureDecoder decoder(bytes);
    QImage image = decoder.read(target);
    // A format that cannot decode at a smaller size is scaled down now, so a
    // large scan is not kept whole while it is shown small.
    if (!image.isNull() && target.isValid() && !target.isEmpty() && image.width() > target.width()
        && image.height() > target.height())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

PageImage::Decoded PageImage::decodeForDisplay(const QByteArray &bytes, QSize displayHint)
{
    Decoded out;
    PictureDecoder decoder(bytes);
    if (!decoder.isPicture())
        return out;
    const QSize natural = decoder.size();
    out.image = decoder.read(decodeSizeFor(natural, displayHint));
    out.natural = natural;
    return out;
}

bool PageImage::adopt(const QByteArray &bytes, Decoded decoded)
{
    if (decoded.isNull())
        return false;
    m_bytes = bytes;
    m_natural = decoded.natural;
    m_image = std::move(decoded.image);
    return true;
}

bool PageImage::load(const QByteArray &bytes, QSize displayHint)
{
    return adopt(bytes, decodeForDisplay(bytes, displayHint));
}

void PageImage::clear()
{
    m_bytes.clear();
    m_image = QImage();
}

void PageImage::ensureResolution(QSize px)
{
    if (m_bytes.isEmpty() || m_image.isNull())
        return;
    const QSize wanted = decodeSizeFor(m_natural, px);
    // Large enough, and no more than the pixel or two of rounding larger, so
    // it is drawn as it is instead of scaled at every paint.
    if (m_image.width() >= std::min(px.width(), m_natural.width())
        && m_image.height() >= std::min(px.height(), m_natural.height())
        && m_image.width() <= wanted.width() + 2 && m_image.height() <= wanted.height() + 2)
        return;
    QImage better = decode(m_bytes, m_natural, wanted);
    if (!better.isNull())
        m_image = std::move(better);
}

} // namespace korvel::view
