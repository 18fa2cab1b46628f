#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

#include <memory>

namespace korvel::view {

// A page is a JPEG, PNG, GIF, BMP, TIFF or WebP picture, told from its first
// bytes; nothing else is ever decoded as one. In particular no document
// format (an SVG can name other files, which would then be read) and no
// format guessed from a name. Returns "jpeg", "png", "gif", "bmp", "tiff" or
// "webp", or nothing.
QByteArray pageFormatOf(const QByteArray &head);

// The memory every picture decode of this process together may take. A
// 16000 x 16000 page decoded whole fits (four bytes a pixel); two at once
// wait for each other.
constexpr qint64 kDecodeBudget = qint64(1100) * 1024 * 1024;
// What a thumbnail (the desktop's, the maker's list) may take to decode.
constexpr qint64 kThumbnailBudget = qint64(256) * 1024 * 1024;

// One picture read by the reader of its own format only. The header is read
// at construction; read() decodes, after checking that the decode fits the
// budget and that the bytes can hold the pixels the header claims, and
// holds its share of the process's decode memory while it runs.
class PictureDecoder {
public:
    explicit PictureDecoder(const QByteArray &bytes);
    // A regular file; anything else (a folder, a pipe, a device) is no picture.
    static std::unique_ptr<PictureDecoder> forFile(const QString &path);
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder &) = delete;
    PictureDecoder &operator=(const PictureDecoder &) = delete;

    // The format is one of the six and the header gives a size.
    bool isPicture() const { return !m_format.isEmpty() && m_size.isValid() && !m_size.isEmpty(); }
    QByteArray format() const { return m_format; }
    QSize size() const { return m_size; }

    // The memory decoding at target takes (target invalid: the natural size).
    qint64 decodeCost(QSize target = QSize()) const;
    // Why the picture may not be decoded at target within budget: "not a
    // picture", too large to decode, or fewer bytes than its pixels need
    // (cut off, or a header claiming pixels that are not there). Empty when
    // it may.
    QString refusal(QSize target = QSize(), qint64 budget = kDecodeBudget) const;

    // Decodes at target (invalid: the natural size): straight at that size
    // where the format can (JPEG), else whole and scaled afterwards. A null
    // image when refusal() says why or the decoder fails (errorString()).
    QImage read(QSize target = QSize(), qint64 budget = kDecodeBudget);
    QString errorString() const;

private:
    PictureDecoder() = default;
    void readHeader(QIODevice *device, qint64 length);

    QByteArray m_bytes;
    QBuffer m_buffer;
    QFile m_file;
    std::unique_ptr<QImageReader> m_reader;
    QByteArray m_format;
    QSize m_size;
    qint64 m_length = 0;   // bytes the picture has
    qint64 m_minimumLength = 0; // bytes its pixels need at the least
    qint64 m_coefficients = 0;  // a JPEG decoded in several passes keeps all of these
    int m_bitsPerPixel = 32;
    QString m_error;
};

} // namespace korvel::view
