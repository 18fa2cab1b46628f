#pragma once

#include "book/BookFile.h"
#include "db/Error.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace korvel::db {
class Connection;
} // namespace korvel::db

namespace korvel::book {

// No real book comes near this many pages; a file that claims more is
// refused before its list can fill the memory.
constexpr int kMaxPages = 1000000;

// The stored page numbers in reading order ("Select pagenumber From pages
// Order By pagenumber"). The list holds plain numbers, a few bytes a page,
// whatever the pictures weigh. On an error *numbers is left as it was.
db::Error readPageNumbers(db::Connection &book, QVector<qint32> *numbers);

// The page list with the row each page is stored in, learnt in the same
// pass. A book need not have an index on its page numbers, and then finding
// a page by its number reads the whole table; its row is found at once, so
// reading every page costs no more than the pages themselves. rows is empty
// when the table has no row ids; pages are then found by number.
struct PageList {
    QVector<qint32> numbers;
    QVector<qint64> rows;
};
db::Error readPageList(db::Connection &book, PageList *list);

// One page picture ("Select image From pages Where pagenumber = ?").
struct PageRead {
    bool found = false;  // a row with that number is stored
    bool isNull = false; // its image is null
    QByteArray bytes;
    db::Error error;
};
// Bytes the caller holds already (known) are handed back when the stored
// ones equal them, so reading a page again allocates nothing.
PageRead readPage(db::Connection &book, qint32 pageNumber, const QByteArray &known = {});
// The page at a 0-based position of list, from its row.
PageRead readListedPage(db::Connection &book, const PageList &list, int position, const QByteArray &known = {});

// The book's metadata row, with null fields read as "" and columns the file
// lacks left empty; found is false when there is no row.
BookMeta readBookMeta(db::Connection &book, db::Error *error = nullptr);

} // namespace korvel::book
