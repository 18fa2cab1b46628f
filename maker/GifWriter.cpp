#include "maker/GifWriter.h"

#include "maker/Flatten.h"
#include "maker/LibGif.h"

#include <QDir>
#include <QPainter>
#include <QFile>

#include "platform/NewFile.h"

#include <cerrno>

#include <vector>

namespace korvel::maker {

namespace {

int writeToSaveFile(GifFileType *gif, const GifByteType *bytes, int length)
{
    auto *file = static_cast<QFile *>(gif->UserData);
    return int(file->write(reinterpret_cast<const char *>(bytes), length));
}

GifResult failure(const QString &error)
{
    return GifResult{false, error};
}

QString gifError(int code)
{
    const char *text = libGif().GifErrorString(code);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("GIF error %1").arg(code);
}

} // namespace

GifResult writeGif(const QImage &image, const QString &path)
{
    if (image.isNull())
        return failure(QStringLiteral("there is no picture to write"));
    if (const QString missing = loadLibGif(); !missing.isEmpty())
        return failure(missing);
    const LibGif &lib = libGif();
    // The screen descriptor holds 16-bit sizes.
    if (image.width() > 0xFFFF || image.height() > 0xFFFF)
        return failure(QStringLiteral("the picture is %1×%2 pixels; a GIF holds at most 65535 either way")
                           .arg(image.width())
                           .arg(image.height()));

    const QImage rgb = flattenOnWhite(image);
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
    if (lib.GifQuantizeBuffer(unsigned(w), unsigned(h), &colours, red.data(), green.data(), blue.data(), indexes.data(),
                          palette)
        != GIF_OK)
        return failure(QStringLiteral("out of memory while reducing the picture to 256 colours"));

    // giflib writes through our callback into a save file, so a failure half
    // way leaves the previous file (or none) rather than a truncated one.
    platform::NewFile out(path);
    if (!out.open())
        return failure(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), platform::writeFailure(out.error())));
    QFile &file = out.file();

    ColorMapObject *map = lib.GifMakeMapObject(256, palette);
    if (!map)
        return failure(QStringLiteral("out of memory for the GIF palette"));
    int error = 0;
    GifFileType *gif = lib.EGifOpen(&file, writeToSaveFile, &error);
    if (!gif) {
        lib.GifFreeMapObject(map);
        return failure(QStringLiteral("cannot start the GIF: %1").arg(gifError(error)));
    }
    bool ok = lib.EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK
        && lib.EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = lib.EGifPutLine(gif, indexes.data() + size_t(y) * size_t(w), w) == GIF_OK;
    if (!ok)
        error = gif->Error;
    int closeError = 0;
    if (lib.EGifCloseFile(gif, &closeError) != GIF_OK && ok) {
        ok = false;
        error = closeError;
    }
    lib.GifFreeMapObject(map);

    // A failed write shows in the save file first; giflib only sees a short count.
    if (file.error() != QFileDevice::NoError || !file.flush())
        return failure(QStringLiteral("cannot write %1: %2")
                           .arg(QDir::toNativeSeparators(path), platform::writeFailure(errno ? errno : EIO)));
    if (!ok)
        return failure(QStringLiteral("cannot encode %1: %2").arg(QDir::toNativeSeparators(path), gifError(error)));
    if (!out.commit(true))
        return failure(QStringLiteral("cannot write %1: %2")
                           .arg(QDir::toNativeSeparators(path), platform::writeFailure(out.error())));
    return GifResult{true, {}};
}

} // namespace korvel::maker
