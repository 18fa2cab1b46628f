#include "demo/GifWriter.h"

#include <QFile>
#include <QPainter>

#include <gif_lib.h>

#include <vector>

namespace korvel::demo {

namespace {

QImage opaqueRgb(const QImage &image)
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

} // namespace

bool writeGif(const QImage &image, const QString &path)
{
    // The screen descriptor holds 16-bit sizes.
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        return false;

    const QImage rgb = opaqueRgb(image);
    const int w = rgb.width();
    const int h = rgb.height();
    const size_t count = size_t(w) * size_t(h);
    std::vector<GifByteType> red(count), green(count), blue(count), indexes(count);
    for (int y = 0; y < h; ++y) {
        const uchar *line = rgb.constScanLine(y);
        const size_t row = size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            red[row + x] = line[3 * x];
            green[row + x] = line[3 * x + 1];
            blue[row + x] = line[3 * x + 2];
        }
    }

    // The palette always has 256 entries; entries the quantiser leaves unused stay black.
    int colours = 256;
    GifColorType palette[256] = {};
    if (GifQuantizeBuffer(unsigned(w), unsigned(h), &colours, red.data(), green.data(), blue.data(), indexes.data(),
                          palette)
        != GIF_OK)
        return false;
    ColorMapObject *map = GifMakeMapObject(256, palette);
    if (!map)
        return false;

    int error = 0;
    GifFileType *gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return false;
    }
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK
        && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indexes.data() + size_t(y) * size_t(w), w) == GIF_OK;
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    GifFreeMapObject(map);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace korvel::demo
