#pragma once

#include <QString>
#include <QStringList>

namespace korvel::book {

// The statements that make the empty book, "Korvel.tmp!": tables books and
// pages with no rows. pagenumber is the row key, so a page is found by its
// number without reading the whole table, and an index on it lets the page
// list be read without touching the pictures.
QStringList templateSchema();

// The metadata row of a book. found: a row was read (readBookMeta).
struct BookMeta {
    QString title, summary, writer, sign, publisher, publishdate, drawer, url, coverdrawer;
    bool found = false;
};

// "Insert Into books (...) Values (...)" as the maker and the downloader build it;
// the downloader's form carries url between drawer and coverdrawer.
QString makerInsertSql(const BookMeta &meta);
QString downloaderInsertSql(const BookMeta &meta);

// The last three characters of a path, as the openers compare them.
QString bookKind(const QString &path);

} // namespace korvel::book
