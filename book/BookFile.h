#pragma once

#include <QString>
#include <QStringList>

namespace korvel::book {

class mOpenDatabase;

// The statements that make the empty book, "Korvel.tmp!": tables books and
// pages with no rows. pagenumber is the row key, so a page is found by its
// number without reading the whole table, and an index on it lets the page
// list be read without touching the pictures.
QStringList templateSchema();

// The metadata row of a book.
struct BookMeta {
    QString title, summary, writer, sign, publisher, publishdate, drawer, url, coverdrawer;
};

// "Insert Into books (...) Values (...)" as the maker and the downloader build it;
// the downloader's form carries url between drawer and coverdrawer.
QString makerInsertSql(const BookMeta &meta);
QString downloaderInsertSql(const BookMeta &meta);

enum class WriteResult { Ok, CopyFailed, OpenFailed, PageFailed };

// Writes a new book on the catalog channel: copy the template to target,
// open it, insert the metadata row, then one row per picture file numbered
// 0, 1, 2, ... in the given order, and close. A target held open is never
// replaced. On a page failure the half-written file is removed.
WriteResult writeBook(mOpenDatabase &db, const QString &target, const BookMeta &meta,
                      const QStringList &pictureFiles, bool withUrl = false);

// The last three characters of a path, as the openers compare them.
QString bookKind(const QString &path);

} // namespace korvel::book
