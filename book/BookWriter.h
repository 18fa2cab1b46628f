#pragma once

#include "book/BookFile.h"
#include "db/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace korvel::book {

// Makes one new book: the maker, the downloader, the demo data and the tests
// all write books through it.
//
// The book is built in a short hidden temporary file beside the target, from a
// copy of the empty book (the template), through a connection of its own;
// the pages go in through one prepared insert inside one transaction,
// numbered 0, 1, 2, ... in the order they are given. Only commit() puts the
// finished file under the target's name, in one rename, so a failed or
// interrupted write never leaves half a book there and never destroys the
// book that was there. A target held open by a Korvel connection is refused.
//
//     BookWriter w(templatePath, target);
//     if (db::Error e = w.begin(meta)) ...
//     for (...) if (db::Error e = w.addPageFile(picture)) ...
//     if (db::Error e = w.commit()) ...
//
// After the first error every later call returns it and the temporary file
// is gone. Destroying an uncommitted writer removes its temporary file.
class BookWriter {
public:
    BookWriter(QString templatePath, QString targetPath);
    ~BookWriter();
    BookWriter(const BookWriter &) = delete;
    BookWriter &operator=(const BookWriter &) = delete;

    // Copies the template and stores the metadata row; withUrl chooses the
    // downloader's statement, which carries the url.
    db::Error begin(const BookMeta &meta, bool withUrl = false);
    db::Error addPage(const QByteArray &picture);
    // A page under a number of the caller's (pages read out of order, each
    // under its place in the book); each number once.
    db::Error addPageAt(qint32 number, const QByteArray &picture);
    // A file that cannot be read fails the book, with an error naming it.
    db::Error addPageFile(const QString &path);
    // replace false: a file (or link) named as the target by now is left as
    // it is and the book fails.
    db::Error commit(bool replace = true);
    void abort();

    int pageCount() const { return m_pages; }
    const QString &targetPath() const { return m_target; }
    // The hidden file the book is built in; empty before begin and after the end.
    const QString &temporaryPath() const { return m_temporary; }

private:
    db::Error fail(db::Error error);

    QString m_template;
    QString m_target;
    QString m_temporary;
    db::Connection m_book;
    std::unique_ptr<db::Transaction> m_transaction;
    db::Statement m_insert;
    int m_pages = 0;
    db::Error m_error;
    enum class Stage { New, Writing, Done } m_stage = Stage::New;
};

// A whole book in one call: the metadata and one page per picture file.
db::Error writeBook(const QString &templatePath, const QString &target, const BookMeta &meta,
                    const QStringList &pictureFiles, bool withUrl = false);

} // namespace korvel::book
