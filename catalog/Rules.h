#pragma once

#include "book/BookFile.h"

#include <QString>
#include <QStringList>

namespace korvel::catalog {

// ---------------------------------------------------------------- node keys

// A category node's key: its name, "-", its ClassID ("童话-12"). Names may
// hold "-" themselves, so the id is always read after the last one.
QString nodeKey(const QString &className, qint64 classId);
// The ClassID of a key; 0 when the key holds no number after its last "-".
qint64 classIdFromKey(const QString &key);

// ---------------------------------------------------------------- folders

// Where a category keeps its books unless told otherwise: the books folder
// of the application folder and the name. A name is one folder, never a way
// out of it: separators in it become "_", and "." or ".." is not a name.
QString booksFolder(const QString &appDir); // ends in "/"
QString categoryFolder(const QString &appDir, const QString &className);

// The folder chooser's answer without a trailing separator; "/" stays "/".
QString withoutTrailingSeparator(const QString &folder);

// Creates the folder with every missing folder above it; true when it is a
// folder afterwards. A relative path is refused: it would land wherever the
// program happens to run, not where the user chose. made, when given,
// receives the folders this call created, deepest first.
bool makeCategoryFolder(const QString &folder, QStringList *made = nullptr);
// Takes back what makeCategoryFolder made, for a change that was refused:
// each folder, deepest first, only while it is still empty.
void removeMadeFolders(const QStringList &made);

// ---------------------------------------------------------------- the search

// The LIKE pattern of a title search: the text anywhere in the title, with
// "%", "_" and the escape character "\" in it matching only themselves.
// Used with ESCAPE '\'.
QString titlePattern(const QString &text);

// ---------------------------------------------------------------- the status column

// The existence test of the status column. Method 0 (category lists): the
// name is there, file or folder. Method 1 (search results): the file can be
// opened for reading, so a folder or an unreadable file does not count.
// Methods 2 to 4 ask whether the name is there, like method 0; any other
// method, and an empty name, give false.
bool fileExists(const QString &path, int method);

// ---------------------------------------------------------------- book files

// What the book-record dialog learns from a chosen .lhh file. The file is
// opened read-only and immutable, so it is never changed, and exclusively,
// so a book open in the reader (or in another Korvel) is refused.
struct BookFileRead {
    enum class Outcome { Read, OpenFailed, ReadFailed } outcome = Outcome::OpenFailed;
    book::BookMeta meta; // null fields as ""; all empty when the books table has no row
};
BookFileRead readBookFile(const QString &path);

// ---------------------------------------------------------------- saving a copy

// The name a copy is saved under: the typed name, with "." and the type
// appended unless ".type" is already in it somewhere (compared with case).
QString copyName(const QString &typed, const QString &type);

// Copies a catalogued book to target through a temporary file beside the
// target, renamed over it only once complete. Nothing is copied when the
// book is missing, held open (the reader, another Korvel), a folder, the
// target itself, or when the target is held open.
bool saveCopy(const QString &source, const QString &target);

} // namespace korvel::catalog
