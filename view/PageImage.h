#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace korvel::view {

// The hidden holder of the current page picture (picViewTemp): the picture's
// bytes, its natural size, and a decoded image at least as large as the size
// it is shown at. A large JPEG is decoded straight at the shown size, which
// is far cheaper than decoding all of it and scaling it down afterwards.
class PageImage {
public:
    // A picture decoded for showing, made anywhere (a worker thread decodes
    // the next page ahead of its turn) and taken by adopt() on the UI
    // thread. Null image: the bytes are not a picture Qt can read.
    struct Decoded {
        QSize natural;
        QImage image;
        bool isNull() const { return image.isNull(); }
    };
    // Decodes bytes at the size they will be shown at, as load() does; safe
    // on any thread.
    static Decoded decodeForDisplay(const QByteArray &bytes, QSize displayHint);
    // Takes a picture decoded from bytes. False (and nothing changes) when
    // it did not decode.
    bool adopt(const QByteArray &bytes, Decoded decoded);

    // Takes a new picture. False (and nothing changes) when the bytes are not
    // a picture Qt can read.
    bool load(const QByteArray &bytes, QSize displayHint);
    // An empty picture: nothing to draw, the natural size stays as it was.
    void clear();

    bool isNull() const { return m_image.isNull(); }
    QSize naturalSize() const { return m_natural; }
    const QImage &image() const { return m_image; }

    // Makes sure the decoded image fits showing at size px: decodes again
    // from the bytes when it is too small, or so much larger that it would
    // have to be scaled at every paint.
    void ensureResolution(QSize px);

private:
    static QImage decode(const QByteArray &bytes, QSize natural, QSize target);

    QByteArray m_bytes;
    QSize m_natural;
    QImage m_image;
};

// The largest page shown: 16000 x 16000 pixels. Qt's own allocation limit
// is raised to what such a page needs decoded, and no further; a page that
// claims more is taken for a page that is not a picture.
constexpr qint64 kLargestPagePixels = qint64(16000) * 16000;
void allowLargestPages();

// The size to decode at for showing at px: px itself when smaller than the
// natural size (kept in proportion), else the natural size.
QSize decodeSizeFor(QSize natural, QSize px);

// A picture's own size read from its header alone; invalid when the bytes
// are not a picture.
QSize pictureSize(const QByteArray &bytes);

} // namespace korvel::view
