#include "view/PictureDecoder.h"

#include "view/PageImage.h"

#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::view {

namespace {

// Decodes that may take memory freely: below this nothing is checked but
// the format.
constexpr qint64 kFreeDecode = qint64(64) * 1024 * 1024;
// Compressed formats without a hard limit on how far they shrink (deflate,
// LZW, lossless WebP) are still never asked to fill more than this many
// decoded bytes from one byte of the file.
constexpr qint64 kMostDecodedPerByte = 4096;

qint64 area(QSize s)
{
    return s.isValid() ? qint64(s.width()) * s.height() : 0;
}

quint32 le32(const QByteArray &b, int at)
{
    if (at + 4 > b.size())
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const QByteArray &b, int at)
{
    if (at + 2 > b.size())
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

// Every decode of the process draws on one pool of memory; a decode that
// would overdraw it waits for the others to end.
class DecodeMemory {
public:
    static DecodeMemory &instance()
    {
        static DecodeMemory pool;
        return pool;
    }
    void take(qint64 bytes)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_freed.wait(lock, [&] { return m_used == 0 || m_used + bytes <= kDecodeBudget; });
        m_used += bytes;
    }
    void give(qint64 bytes)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_used -= bytes;
        }
        m_freed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    qint64 m_used = 0;
};

struct JpegLayout {
    qint64 blocks = 0;        // 8x8 blocks of every component
    qint64 paddedBlocks = 0;  // as the decoder lays them out, whole MCUs
    bool progressive = false;
};

// The frame header of a JPEG, found by walking its segments.
bool readJpegLayout(QIODevice *device, JpegLayout *layout)
{
    qint64 at = 2;
    for (int segments = 0; segments < 4096; ++segments) {
        if (!device->seek(at))
            return false;
        uchar head[4];
        if (device->read(reinterpret_cast<char *>(head), 2) != 2 || head[0] != 0xFF)
            return false;
        uchar marker = head[1];
        if (marker == 0xFF) { // fill byte
            at += 1;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return false; // no frame before the data
        if (device->read(reinterpret_cast<char *>(head + 2), 2) != 2)
            return false;
        const int length = head[2] << 8 | head[3];
        if (length < 2)
            return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame) {
            at += 2 + length;
            continue;
        }
        const QByteArray f = device->read(qMin(length - 2, 6 + 3 * 4));
        if (f.size() < 6)
            return false;
        const auto *p = reinterpret_cast<const uchar *>(f.constData());
        const int height = p[1] << 8 | p[2];
        const int width = p[3] << 8 | p[4];
        const int components = p[5];
        if (components < 1 || f.size() < 6 + 3 * components)
            return false;
        int hmax = 1, vmax = 1;
        for (int c = 0; c < components; ++c) {
            hmax = std::max(hmax, p[7 + 3 * c] >> 4);
            vmax = std::max(vmax, p[7 + 3 * c] & 15);
        }
        const qint64 mcuColumns = (qint64(width) + 8 * hmax - 1) / (8 * hmax);
        const qint64 mcuRows = (qint64(height) + 8 * vmax - 1) / (8 * vmax);
        for (int c = 0; c < components; ++c) {
            const int h = std::max(1, p[7 + 3 * c] >> 4), v = std::max(1, p[7 + 3 * c] & 15);
            const qint64 w = (qint64(width) * h + hmax - 1) / hmax, hh = (qint64(height) * v + vmax - 1) / vmax;
            layout->blocks += ((w + 7) / 8) * ((hh + 7) / 8);
            layout->paddedBlocks += mcuColumns * h * mcuRows * v;
        }
        layout->progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        return true;
    }
    return false;
}

// Whether the JPEG's data comes in more than one scan, which makes the
// decoder keep every block of the picture until the last one.
bool hasSeveralScans(QIODevice *device)
{
    // The picture's reader goes on from where it is now.
    const qint64 resume = device->pos();
    device->seek(0);
    int scans = 0;
    bool lastWasFF = false;
    for (;;) {
        const QByteArray chunk = device->read(1 << 16);
        if (chunk.isEmpty()) {
            device->seek(resume);
            return false;
        }
        const auto *p = reinterpret_cast<const uchar *>(chunk.constData());
        const auto *end = p + chunk.size();
        if (lastWasFF && p[0] == 0xDA)
            ++scans;
        for (const uchar *at = p; scans < 2 && at < end;) {
            at = static_cast<const uchar *>(std::memchr(at, 0xFF, size_t(end - at)));
            if (!at)
                break;
            if (++at < end && *at == 0xDA)
                ++scans;
        }
        if (scans > 1) {
            device->seek(resume);
            return true;
        }
        lastWasFF = end[-1] == 0xFF;
    }
}

} // namespace

QByteArray pageFormatOf(const QByteArray &h)
{
    if (h.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (h.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (h.startsWith("GIF87a") || h.startsWith("GIF89a"))
        return "gif";
    if (h.startsWith("BM"))
        return "bmp";
    if (h.startsWith(QByteArray("II*\0", 4)) || h.startsWith(QByteArray("MM\0*", 4)))
        return "tiff";
    if (h.size() >= 12 && h.startsWith("RIFF") && h.mid(8, 4) == "WEBP")
        return "webp";
    return {};
}

PictureDecoder::PictureDecoder(const QByteArray &bytes)
    : m_bytes(bytes)
{
    m_buffer.setData(m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    readHeader(&m_buffer, m_bytes.size());
}

std::unique_ptr<PictureDecoder> PictureDecoder::forFile(const QString &path)
{
    std::unique_ptr<PictureDecoder> d(new PictureDecoder);
    // Opened without waiting, and taken only when it is a plain file: a
    // pipe or a device named as a picture is never read from.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        d->m_error = QStringLiteral("not a picture");
        return d;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!d->m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        d->m_error = QStringLiteral("not a picture");
        return d;
    }
    d->readHeader(&d->m_file, st.st_size);
    return d;
}

PictureDecoder::~PictureDecoder() = default;

void PictureDecoder::readHeader(QIODevice *device, qint64 length)
{
    static const bool limitSet = (allowLargestPages(), true);
    Q_UNUSED(limitSet);
    m_length = length;
    const QByteArray head = device->peek(64);
    m_format = pageFormatOf(head);
    if (m_format.isEmpty())
        return;
    JpegLayout jpeg;
    if (m_format == "jpeg" && !readJpegLayout(device, &jpeg)) {
        m_format.clear();
        return;
    }
    device->seek(0);
    m_reader = std::make_unique<QImageReader>(device, m_format);
    m_reader->setAutoDetectImageFormat(false);
    m_reader->setDecideFormatFromContent(false);
    m_reader->setAutoTransform(false);
    if (!m_reader->canRead()) {
        m_format.clear();
        return;
    }
    m_size = m_reader->size();
    const QImage::Format decoded = m_reader->imageFormat();
    if (decoded != QImage::Format_Invalid)
        m_bitsPerPixel = QImage::toPixelFormat(decoded).bitsPerPixel();
    const qint64 decodedBytes = (area(m_size) * m_bitsPerPixel + 7) / 8;
    m_minimumLength = decodedBytes / kMostDecodedPerByte;
    if (m_format == "jpeg") {
        // Every block carries at least one bit of its own (its DC code).
        m_minimumLength = jpeg.blocks / 8;
        // Coefficients of two bytes, 64 a block, held for the whole picture.
        if (jpeg.progressive || (jpeg.paddedBlocks * 128 > kFreeDecode / 2 && hasSeveralScans(device)))
            m_coefficients = jpeg.paddedBlocks * 128;
    } else if (m_format == "bmp" && le32(head, 14) >= 40 && (le32(head, 30) == 0 || le32(head, 30) == 3)) {
        // Pixels stored as they are: every row is there or the file is cut off.
        const qint64 width = qint32(le32(head, 18)), height = qint32(le32(head, 22));
        const qint64 stride = ((std::abs(width) * le16(head, 28) + 31) / 32) * 4;
        m_minimumLength = le32(head, 10) + stride * std::abs(height);
    }
}

qint64 PictureDecoder::decodeCost(QSize target) const
{
    if (!isPicture())
        return 0;
    const bool scaled = target.isValid() && !target.isEmpty() && target != m_size;
    const qint64 whole = area(m_size);
    const qint64 shown = scaled ? area(target) * 4 : 0;
    const qint64 bytesPerPixel = std::max(1, m_bitsPerPixel / 8);
    if (m_format == "jpeg") {
        // The decoder scales by up to an eighth while it decodes; the rest
        // is scaled afterwards.
        const qint64 out = scaled ? std::min(whole, std::max(area(target) * 4, whole / 64)) : whole;
        return m_coefficients + out * bytesPerPixel + shown;
    }
    qint64 decoded = (whole * m_bitsPerPixel + 7) / 8;
    // A picture of fewer than four bytes a pixel is first thinned to twice
    // the size, which is then converted to be scaled smoothly.
    if (scaled && m_bitsPerPixel < 32)
        decoded += area(target) * 16;
    return decoded + shown;
}

QString PictureDecoder::refusal(QSize target, qint64 budget) const
{
    if (!isPicture())
        return QStringLiteral("not a picture");
    if (area(m_size) > kLargestPagePixels)
        return QStringLiteral("%1x%2 pixels, larger than any page is shown").arg(m_size.width()).arg(m_size.height());
    const qint64 cost = decodeCost(target);
    if (cost > budget)
        return QStringLiteral("%1x%2 pixels need %3 MB to decode, more than the %4 MB a picture may take")
            .arg(m_size.width())
            .arg(m_size.height())
            .arg((cost + (1 << 20) - 1) >> 20)
            .arg(budget >> 20);
    if (cost > kFreeDecode && m_length < m_minimumLength)
        return QStringLiteral("%1x%2 pixels in %3 bytes, which cannot hold them: cut off, or not the picture "
                              "its header claims")
            .arg(m_size.width())
            .arg(m_size.height())
            .arg(m_length);
    return QString();
}

QImage PictureDecoder::read(QSize target, qint64 budget)
{
    m_error = refusal(target, budget);
    if (!m_error.isEmpty())
        return {};
    const qint64 cost = decodeCost(target);
    DecodeMemory::instance().take(cost);
    const bool scaled = target.isValid() && !target.isEmpty() && target != m_size;
    // Only a JPEG decodes straight at a smaller size; the other readers
    // would decode whole and convert all of it to scale it.
    if (scaled && m_format == "jpeg")
        m_reader->setScaledSize(target);
    QImage image = m_reader->read();
    if (image.isNull())
        m_error = m_reader->errorString();
    if (!image.isNull() && scaled && image.size() != target) {
        const QSize twice = (target * 2).boundedTo(image.size());
        if (image.depth() < 32 && twice.width() < image.width() && twice.height() < image.height())
            image = image.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    DecodeMemory::instance().give(cost);
    return image;
}

QString PictureDecoder::errorString() const
{
    if (!m_error.isEmpty())
        return m_error;
    return m_reader ? m_reader->errorString() : QStringLiteral("not a picture");
}

} // namespace korvel::view
