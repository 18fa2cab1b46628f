#pragma once

#include "book/BookFile.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

namespace korvel::maker {

// The page list of the book maker: one row a page, in the book's order.
// Column 0 is the page number shown to the user (1, 2, ... in row order,
// so it is right after every change), column 1 the picture, column 2 the
// picture file's full path.
//
// The list holds small pictures, never whole ones: they are made from the
// files on worker threads, decoding straight at the small size, so a list
// of hundreds of large scans stays light and the window stays live while
// they are made.
class BookMaker final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NumberColumn, PictureColumn, PathColumn, ColumnCount };
    // The small pictures fit in this box, keeping their proportions.
    static constexpr int kThumbnailWidth = 160;
    static constexpr int kThumbnailHeight = 240;

    explicit BookMaker(QObject *parent = nullptr);
    ~BookMaker() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // Puts the picture files in front of row position, in the given order;
    // a position outside the list (no current row) puts them at the top.
    // A file that is not a picture (a folder, empty, foreign bytes, 0x0
    // pixels) is refused at once and returned; the others are added. One
    // whose picture then fails to decode is taken out again and named in
    // thumbnailsFinished.
    QStringList insertPictures(int position, const QStringList &paths);
    // Removes exactly these rows.
    void removePages(QList<int> rows);
    // Moves the rows, keeping their order, in front of row target (rowCount()
    // for the end); returns the row the first of them is at afterwards.
    int movePages(QList<int> rows, int target);
    void clear();

    QString path(int row) const;
    QStringList paths() const;
    QImage thumbnail(int row) const;
    // Small pictures still being made.
    int pendingThumbnails() const { return m_pending; }

    enum class Refusal { None, NoPages, NoTitle };
    Refusal checkBeforeSave(const QString &title) const;

    struct SaveOutcome {
        enum Kind {
            Saved,
            MissingTemplate, // the empty book cannot be read
            MissingPicture,  // path: a picture file gone or unreadable
            TargetHeld,      // the target is a book open for reading
            Failed,          // detail says why
        } kind = Saved;
        QString path;
        QString detail;
    };
    // Writes a new book at target: the metadata row, then one page a row in
    // list order, pagenumber from 0, each picture's bytes exactly as its file
    // holds them. Through the single book writer, so a failure leaves no half
    // book and the file that was at target stays as it was.
    SaveOutcome save(const QString &templatePath, const QString &target, const book::BookMeta &meta) const;

signals:
    // While small pictures are made: done of total since the list was last idle.
    void thumbnailProgress(int done, int total);
    // All small pictures are made; failed names the files that did not decode.
    void thumbnailsFinished(const QStringList &failed);

private:
    struct Page {
        quint64 id = 0;
        QString path;
        QImage thumbnail;
    };
    void thumbnailReady(quint64 id, const QImage &image);
    int rowOf(quint64 id) const;
    void renumber();

    QList<Page> m_pages;
    quint64 m_nextId = 1;
    int m_pending = 0;
    int m_batchDone = 0;
    int m_batchTotal = 0;
    QStringList m_failed;
    QThreadPool m_pool;
};

// Whether path names a picture that can be decoded: its header is read, the
// picture is not. Fills *size with its natural size when it is.
bool isPictureFile(const QString &path, QSize *size = nullptr);

// The picture of a file decoded straight at a size that fits bound (never
// larger than the picture); null when it does not decode.
QImage makeThumbnail(const QString &path, QSize bound);

} // namespace korvel::maker
