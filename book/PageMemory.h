#pragma once

#include <QString>

namespace korvel::book {

// The page each book was left at, so that it reopens there. Kept in a file
// of its own in the settings folder, never in the book (opening a book
// never writes it). A book is known by its absolute path, its size and a
// hash of its content (its first and last 4 MB), so another book put in its
// place starts afresh. At most kLimit books are
// kept, the most recently left first; the oldest fall out.
class PageMemory {
public:
    static constexpr int kLimit = 1000;

    explicit PageMemory(QString filePath);
    // LastPages.json beside Korvel.conf.
    static QString defaultPath();
    const QString &filePath() const { return m_filePath; }

    // The position to open the book at: the one it was left at while that
    // is still one of its pageCount pages, else 0 (also for a book never read).
    int recall(const QString &bookPath, int pageCount) const;
    // Notes where the book was left. Position 0 needs no note: the book
    // is forgotten, and opens at 0 as a new one does. A file that cannot
    // be written leaves the memory as it was.
    void remember(const QString &bookPath, int position);

private:
    QString m_filePath;
};

} // namespace korvel::book
