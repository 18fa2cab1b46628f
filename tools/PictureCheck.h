#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

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
// largest page the reader shows are refused without decoding.
StrictDecode decodeStrictly(const QByteArray &bytes, QSize fitInto = QSize());

} // namespace korvel::tools
