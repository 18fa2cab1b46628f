#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "view/PictureDecoder.h"

namespace korvel::tools {

// A picture decoded the strict way: a decoder that complains while it reads
// (a JPEG cut off before its end still gives an image, grey at the bottom)
// counts as a failure, so a damaged page is never taken for a sound one.
struct StrictDecode {
    QImage image;
    QSize natural;  // the picture's own size, from its header
    QString fault;  // empty when the picture is sound
    bool ok() const { return fault.isEmpty(); }
};

// Decodes bytes whole, or, when fitInto is valid, straight at the size that
// fits into it in proportion (never enlarged). Pictures larger than the
// largest page the reader shows, pictures that would need more than budget
// bytes to decode, and pictures whose bytes cannot hold the pixels they
// claim are refused without decoding.
StrictDecode decodeStrictly(const QByteArray &bytes, QSize fitInto = QSize(),
                            qint64 budget = view::kDecodeBudget);

// What verify says of a page: empty when it is sound. Every pixel's data is
// decoded, but a large JPEG at an eighth of its size.
QString checkPicture(const QByteArray &bytes);

} // namespace korvel::tools
