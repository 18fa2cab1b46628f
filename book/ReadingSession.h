#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include "book/BookReader.h"

#include <memory>
#include <optional>

namespace korvel::db {
class Connection;
}

namespace korvel::book {

class PageMemory;

// The open book: its connection, its page list and the position on screen.
// It is the one place that says whether a book is open. Positions are
// 0-based; the stored page numbers may have gaps.
class ReadingSession final : public QObject {
    Q_OBJECT
public:
    explicit ReadingSession(QString appDir, QObject *parent = nullptr);
    ~ReadingSession() override;

    enum class OpenResult {
        Opened,      // the book is open, at the page it was left at (0 for a book never read)
        OpenFailed,  // damaged, missing, not a book, or held
        PagesFailed, // its page list cannot be read
        NoPages,     // a book without pages
    };
    // Closes the open book first, then opens path exclusively and reads its
    // page list. Only a book with pages stays open; after any other outcome
    // nothing is held, so the file can be opened again at once.
    OpenResult open(const QString &path);
    void close();

    // Where each book was left is kept in this file from now on: a book
    // opens at its remembered page, and closing it (or another book's
    // opening, or the session's end) notes the page it is left at.
    void rememberPagesIn(const QString &filePath);

    bool isOpen() const { return m_open; }
    // The open book's path as it reads: a name on disk that is not UTF-8
    // shows as GBK, and opens again from this text.
    QString path() const { return m_path; }
    const QVector<qint32> &pageNumbers() const { return m_pages.numbers; }
    int pageCount() const { return int(m_pages.numbers.size()); }
    int position() const { return m_position; }

    // Makes position the current one (no reading); out-of-range is ignored.
    void setPosition(int position);
    // The positions before and after the current one, wrapping at both ends.
    int previousPosition() const;
    int nextPosition() const;

    struct Page {
        bool found = false;    // the statement ran and found a row
        bool hasImage = false; // the image field was not null
        bool written = false;  // read.tmp now holds the bytes
        QByteArray bytes;      // the picture bytes, whole
    };
    // Reads the page with the stored number and writes its bytes over
    // read.tmp. A null image leaves read.tmp as it was. known: the bytes the
    // caller holds for that page, if any (the staged page's are used
    // otherwise); when the stored bytes still equal them they are shared, not
    // copied, which keeps a turn off fresh memory.
    Page extractPage(qint32 pageNumber, const QByteArray &known = {});

    // The bytes of the page with the stored number, for writing it out
    // elsewhere: neither the position nor read.tmp changes. Nothing when no
    // book is open, the page is missing, its image is null or unreadable.
    std::optional<QByteArray> readPageBytes(qint32 pageNumber, const QByteArray &known = {});

    QString readTmpPath() const { return m_appDir + QStringLiteral("/read.tmp"); }

    // Writes the bytes of the page that is likely turned to next beside
    // read.tmp, while the reader reads the page before it; the turn then
    // only renames them onto read.tmp (after checking they are still that
    // page's bytes). One page is staged at a time; closing drops it.
    void stagePage(qint32 pageNumber, const QByteArray &bytes);
    // Named for this process: two Korvels sharing a folder never take each other's.
    QString stagedPath() const;

signals:
    void opened(const QString &path);
    void closed();
    void positionChanged(int position);

private:
    void release();
    void dropStaged();
    PageRead readStored(qint32 pageNumber, const QByteArray &known);
    bool useStaged();

    QString m_appDir;
    std::unique_ptr<db::Connection> m_book;
    std::unique_ptr<PageMemory> m_pageMemory;
    bool m_open = false;
    QString m_path;
    PageList m_pages;
    int m_position = 0;
    qint32 m_stagedNumber = 0;
    QByteArray m_staged; // the staged page's bytes; empty when none is staged
    bool m_stagedUsed = false; // the staged name holds an older page since a turn
};

// Navigation with wrap-around at both ends.
int previousIndex(int current, int count);
int nextIndex(int current, int count);

} // namespace korvel::book
