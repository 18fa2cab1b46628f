#pragma once

#include "db/Error.h"

#include <QString>
#include <QVector>

namespace korvel::catalog {

// How a catalog action ended.
enum class Outcome {
    Done,
    CatalogMissing, // Korvel.mdb cannot be opened: missing, damaged, or held by another Korvel
    ReadFailed,     // a statement that reads failed (a table or column is missing, the file is damaged)
    WriteFailed,    // a change failed; nothing of it was kept
    Duplicate,      // the book's path is already recorded
    IsRoot,         // the root category is neither moved nor deleted
    MovesUnderItself, // a category cannot go under itself or one of its descendants
    NoSuchCategory, // the category (or the new parent) is not in the catalog
};

// One category node of the tree, in the order the tree shows them.
struct CategoryNode {
    qint64 id = 0;
    QString name;
    int parent = -1; // index of the parent node in the list; -1 for the root
};

struct TreeRead {
    Outcome outcome = Outcome::Done;
    // The root first, then its descendants depth first, siblings by
    // ascending ClassID. Empty when there is no top-level row.
    QVector<CategoryNode> nodes;
    int statements = 0; // statements run for it
    db::Error error;
};

// One lhhInfo row, null fields read as "" (numbers as 0).
struct BookRecord {
    qint64 id = 0;
    qint64 classId = 0;
    QString type, title, sign, drawer, publisher, publishDate, path;
    bool present = false; // the status column: the existence test found the file
};

struct ListRead {
    Outcome outcome = Outcome::Done;
    QVector<BookRecord> records; // in the order the catalog returns them
    db::Error error;
};

struct CategoryRead {
    Outcome outcome = Outcome::Done;
    bool found = false;
    QString name, folder;
    db::Error error;
};

struct Change {
    Outcome outcome = Outcome::Done;
    qint64 id = 0; // the new row's key, for an insert
    db::Error error;
};

// The catalog Korvel.mdb: the category tree (table Class) and one record per
// catalogued book (table lhhInfo). Every action opens the file, runs its
// statements with bound values (a quote, "%" or "_" in a text is stored and
// found as typed) and closes it again, so no other Korvel is kept out of it
// longer than one action. Changes of more than one row run in one
// transaction: they complete, or nothing changes.
class CatalogStore {
public:
    explicit CatalogStore(QString catalogPath);
    static QString pathIn(const QString &appDir);
    const QString &path() const { return m_path; }

    // The category tree, read in one statement. The root is the first
    // top-level row by ClassID; further top-level rows, rows whose parent is
    // missing and rows in a cycle are not reachable from it and are left out.
    TreeRead readTree() const;

    // A category's records; the status by existence method 0.
    ListRead listCategory(qint64 classId) const;
    // Records whose title holds the text anywhere, exactly as typed; the
    // status by existence method 1.
    ListRead searchTitles(const QString &text) const;

    CategoryRead readCategory(qint64 classId) const;
    // The folder downloads of the category go to.
    CategoryRead readDefaultPath(qint64 classId) const;

    Change addCategory(qint64 parentId, const QString &name, const QString &folder);
    // Renames a category in place when parentId is its own id; otherwise
    // moves it under parentId too, unless it is the root or parentId is the
    // category itself or one of its descendants.
    Change editCategory(qint64 classId, qint64 parentId, const QString &name, const QString &folder);
    // The category, all its descendants and every record filed in any of
    // them; book files stay on disk. The root is never deleted.
    Change deleteCategory(qint64 classId);

    // Refuses (Duplicate) a path that is already recorded.
    Change addBook(const BookRecord &record);
    Change updateBook(const BookRecord &record);
    Change deleteBook(qint64 id);
    Change deleteBooks(const QVector<qint64> &ids);

private:
    QString m_path;
};

} // namespace korvel::catalog
