#pragma once

#include "book/BookFile.h"
#include "db/Error.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace korvel::db {
class Connection;
class mOpenDatabase;
} // namespace korvel::db

namespace korvel::book {

// No real book comes near this many pages; a file that claims more is
// refused before its list can fill the memory.
constexpr int kMaxPages = 1000000;

// The stored page numbers in reading order ("Select pagenumber From pages
// Order By pagenumber"). The list holds plain numbers, a few bytes a page,
// whatever the pictures weigh. On an error *numbers is left as it was.
db::Error readPageNumbers(db::Connection &book, QVector<qint32> *numbers);

// One page picture ("Select image From pages Where pagenumber = ?").
struct PageRead {
    bool found = false;  // a row with that number is stored
    bool isNull = false; // its image is null
    QByteArray bytes;
    db::Error error;
};
PageRead readPage(db::Connection &book, qint32 pageNumber);

// The book's metadata row, with null fields read as "" and columns the file
// lacks left empty; found is false when there is no row.
BookMeta readBookMeta(db::Connection &book, db::Error *error = nullptr);

// The open book's pages: the list of stored page numbers in reading order,
// the position on screen, and the extraction of one page picture to
// "read.tmp" in the application folder. Positions are 0-based; the stored
// numbers may have gaps. Reads through the book channel of db.
class BookReader {
public:
    BookReader(db::mOpenDatabase &db, QString appDir);

    // False when the list cannot be read (PageCount is then 0). A book
    // without pages leaves PageNumbers as it was.
    bool GetAllPagesNumber();

    struct Page {
        bool found = false;     // the statement ran and found a row
        bool hasImage = false;  // the image field was not null
        bool written = false;   // read.tmp now holds the bytes
        QString path;           // read.tmp, or empty when the field was null
        QByteArray bytes;       // the picture bytes, whole
    };
    // Reads page pageNumber and writes its bytes over read.tmp. A null image
    // leaves read.tmp as it was.
    Page ExtractPage(qint32 pageNumber);

    QString ReadTmpPath() const { return m_appDir + QStringLiteral("/read.tmp"); }
    // Why the last list or page read failed.
    const db::Error &LastError() const { return m_error; }

    // Navigation with wrap-around at both ends.
    static int PrevIndex(int current, int count);
    static int NextIndex(int current, int count);

    QVector<qint32> PageNumbers;
    int PageCount = 0;
    int CurrentPage = 0;

private:
    db::mOpenDatabase &m_db;
    QString m_appDir;
    db::Error m_error;
};

} // namespace korvel::book
