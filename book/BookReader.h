#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace korvel::book {

class mOpenDatabase;

// The open book's pages: the list of stored page numbers in reading order,
// the position on screen, and the extraction of one page picture to
// "read.tmp" in the application folder. Positions are 0-based; the stored
// numbers may have gaps.
class BookReader {
public:
    BookReader(mOpenDatabase &db, QString appDir);

    // "Select pagenumber From pages Order By pagenumber". False when the
    // statement fails (PageCount is then 0). A book without pages leaves
    // PageNumbers as it was.
    bool GetAllPagesNumber();

    struct Page {
        bool found = false;     // the statement ran and found a row
        bool hasImage = false;  // the image field was not null
        bool written = false;   // read.tmp now holds the bytes
        QString path;           // read.tmp, or empty when the field was null
        QByteArray bytes;       // the picture bytes, whole
    };
    // Runs "Select image From pages Where pagenumber = N" and writes the image
    // bytes over read.tmp. A null image leaves read.tmp as it was.
    Page ExtractPage(qint32 pageNumber);

    QString ReadTmpPath() const { return m_appDir + QStringLiteral("/read.tmp"); }

    // Navigation with wrap-around at both ends.
    static int PrevIndex(int current, int count);
    static int NextIndex(int current, int count);

    QVector<qint32> PageNumbers;
    int PageCount = 0;
    int CurrentPage = 0;

private:
    mOpenDatabase &m_db;
    QString m_appDir;
};

} // namespace korvel::book
