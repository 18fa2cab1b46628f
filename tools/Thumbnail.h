#pragma once

#include <QImage>
#include <QString>

namespace korvel::tools {

// The cover of a book for the desktop's file manager: its first page (the
// lowest stored number), scaled to fit a square of size pixels and never
// enlarged. The book is opened read-only and immutable, so it never changes.
struct Thumbnail {
    QImage image;
    QString fault; // why there is none: the book or its first page is damaged, held or empty
    bool ok() const { return fault.isEmpty(); }
};
Thumbnail bookThumbnail(const QString &bookPath, int size);

// Writes the thumbnail as PNG at output, whole or not at all.
bool writeThumbnail(const QImage &image, const QString &output, QString *error);

} // namespace korvel::tools
