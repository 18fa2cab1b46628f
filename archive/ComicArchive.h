#pragma once

#include "book/BookFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace korvel::archive {

// One page taken from an archive: the entry's name there, its bytes exactly
// as stored, and the picture format they hold.
struct ArchivePage {
    QString name;
    QByteArray bytes;
    QByteArray format;
};

struct ArchiveError {
    enum Kind {
        None,
        Unreadable,     // missing, a folder, or no permission
        Damaged,        // not an archive, or cut off or corrupt; detail says where
        Encrypted,      // a page needs a password
        Empty,          // no entries at all
        NoPictures,     // entries, but no readable page
        BadPicture,     // entry names a page whose bytes are no picture
        TooLarge,       // entry is larger than a page may be, or the pages together too large
        WriteFailed,    // the archive being written could not be finished; detail says why
    };
    Kind kind = None;
    QString entry;
    QString detail;
    explicit operator bool() const { return kind != None; }
};

// How much an archive may make us read. A page is never larger than a book
// may store; ComicInfo.xml is small; the pages together stay in memory.
struct ArchiveLimits {
    qint64 maxPageBytes = 256 * 1024 * 1024;
    qint64 maxInfoBytes = 1024 * 1024;
    qint64 maxTotalBytes = qint64(4) * 1024 * 1024 * 1024;
};

// What a comic archive holds for a book.
struct ComicBook {
    QVector<ArchivePage> pages; // in natural order of their names
    book::BookMeta meta;        // from ComicInfo.xml; found is false without one
    // Entries left unread: names that are not pictures, folders, links, and
    // names that point outside the archive ("../x", "/x"), which are never
    // taken, whatever they hold.
    QStringList skipped;
    QStringList unsafe;
    qint64 bytesInflated = 0; // how much was decompressed in all
};

// What a first pass over an archive's headers finds: the pages in natural
// order of their names (not yet read), the data of its ComicInfo.xml, and
// the entries left unread. Nothing but ComicInfo.xml is inflated.
struct ComicListing {
    QStringList pageNames;      // in natural order
    QVector<int> entryOfPage;   // each page's place among the archive's entries
    book::BookMeta meta;
    QStringList skipped;
    QStringList unsafe;
};
ArchiveError listComicArchive(const QString &path, ComicListing *listing, const ArchiveLimits &limits = {});

// Reads the pages of a listed archive one at a time, in the archive's own
// order, and hands each to sink with its place in natural order (0-based):
// only one page is ever held. sink's error ends the reading. A page whose
// bytes are no picture ends it with BadPicture.
using ComicPageSink = std::function<ArchiveError(int position, const ArchivePage &page)>;
ArchiveError readComicPages(const QString &path, const ComicListing &listing, const ComicPageSink &sink,
                            const ArchiveLimits &limits = {}, qint64 *inflated = nullptr);

// The extensions read as comic archives, for file dialogs and drops.
QStringList comicArchivePatterns();
bool isComicArchiveName(const QString &path);

// Reads every page of a .cbz/.zip, .cbr/.rar, .cb7/.7z or .cbt/.tar (the
// format is told from the content, so a .cbr that is really a zip reads as
// well). Only entries named as pictures are inflated, and none beyond the
// limits, so an entry of a gigabyte of anything else costs nothing. After
// an error *book is left as it was. progress, when given, is told each page
// read.
ArchiveError readComicArchive(const QString &path, ComicBook *book, const ArchiveLimits &limits = {},
                              const std::function<void(int pagesRead)> &progress = {});

// Writes a .cbz: the pages stored unchanged as 0001.jpg, 0002.png ... (by
// each picture's own format) and a ComicInfo.xml from meta. The archive is
// built in a temporary file beside target and renamed onto it when whole
// (replacing the name itself, a link included, only with replace).
ArchiveError writeCbz(const QString &target, const QVector<QByteArray> &pages, const book::BookMeta &meta,
                      const std::function<void(int pagesWritten)> &progress = {}, bool replace = true);
// The same with the pages asked for one at a time (count of them): an
// empty page is left out. source sets *error to stop the writing.
using CbzPageSource = std::function<QByteArray(int index, QString *error)>;
ArchiveError writeCbz(const QString &target, int count, const CbzPageSource &source, const book::BookMeta &meta,
                      const std::function<void(int pagesWritten)> &progress = {}, bool replace = true);

// Whether an entry name stays inside the archive's own folder.
bool isSafeEntryName(const QString &name);

} // namespace korvel::archive

namespace korvel::archive {

// Writes the pages of an archive into folder as 0001.jpg, 0002.png ... in
// natural order; the names are made here, never taken from the archive, so
// nothing lands outside folder. *files gets the paths in page order.
ArchiveError unpackComicArchive(const QString &path, const QString &folder, QStringList *files);

} // namespace korvel::archive
