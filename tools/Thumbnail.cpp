#include "tools/Thumbnail.h"

#include "book/BookReader.h"
#include "db/Connection.h"
#include "tools/PictureCheck.h"

#include "platform/ScratchFile.h"

#include <QBuffer>
#include <QImageWriter>

#include <limits>

namespace korvel::tools {

Thumbnail bookThumbnail(const QString &bookPath, int size)
{
    Thumbnail out;
    if (size < 1) {
        out.fault = QStringLiteral("size must be at least 1");
        return out;
    }
    db::Connection book;
    if (db::Error e = book.open(bookPath, db::Access::ReadOnly)) {
        out.fault = e.message;
        return out;
    }
    // The first page is the lowest number; no need to list them all.
    db::Error e;
    db::Statement first = book.prepare(QStringLiteral("Select Min(pagenumber) From pages"), &e);
    if (e || !first.next() || first.isNull(0)) {
        out.fault = e ? e.message : (first.error() ? first.error().message : QStringLiteral("the book has no pages"));
        return out;
    }
    const qint64 number = first.int64(0);
    first = db::Statement();
    if (number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max()) {
        out.fault = QStringLiteral("the first page is numbered %1; the book is damaged").arg(number);
        return out;
    }
    book::PageRead page = book::readPage(book, qint32(number));
    if (page.error || !page.found || page.isNull) {
        out.fault = page.error ? page.error.message : QStringLiteral("the first page has no picture");
        return out;
    }
    book.close();

    const QSize box(size, size);
    StrictDecode decoded = decodeStrictly(page.bytes, box, view::kThumbnailBudget);
    if (!decoded.ok()) {
        out.fault = QStringLiteral("the first page is ") + decoded.fault;
        return out;
    }
    QImage image = std::move(decoded.image);
    if (image.width() > size || image.height() > size)
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    out.image = std::move(image);
    return out;
}

bool writeThumbnail(const QImage &image, const QString &output, QString *error)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Stored without compression: at most 196 KB for a 256-pixel cover, and
    // no filtering or deflating, which on a scanned page's grain took as long
    // as decoding the page itself. A folder of books is shown that much sooner.
    writer.setQuality(100);
    if (!writer.write(image)) {
        *error = writer.errorString();
        return false;
    }
    return platform::writeScratchFile(output, png, error);
}

} // namespace korvel::tools
