#pragma once

#include "book/BookFile.h"

#include <QByteArray>

namespace korvel::archive {

// ComicInfo.xml, the metadata file comic archives carry. The book's fields
// map onto it as: title Title (else Series and Number), summary Summary,
// writer Writer, sign ScanInformation (who made the digital edition),
// publisher Publisher, publishdate Year, Month and Day, drawer Penciller
// (else Artist), coverdrawer CoverArtist, url Web.

// The fields found; found is false when the text is not a ComicInfo
// document. Unknown elements are ignored.
book::BookMeta parseComicInfo(const QByteArray &xml);

// A ComicInfo document for a book of pageCount pages.
QByteArray comicInfoXml(const book::BookMeta &meta, int pageCount);

} // namespace korvel::archive
