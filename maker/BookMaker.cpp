#include "maker/BookMaker.h"

#include "book/BookWriter.h"
#include "db/Error.h"
#include "view/PictureDecoder.h"

#include <QFileInfo>
#include <QPointer>

#include <algorithm>

namespace korvel::maker {

bool isPictureFile(const QString &path, QSize *size)
{
    const auto header = view::PictureDecoder::forFile(path);
    if (!header->isPicture())
        return false;
    if (size)
        *size = header->size();
    return true;
}

QImage makeThumbnail(const QString &path, QSize bound)
{
    const auto decoder = view::PictureDecoder::forFile(path);
    if (!decoder->isPicture())
        return {};
    const QSize natural = decoder->size();
    QSize target = natural;
    if (target.width() > bound.width() || target.height() > bound.height())
        target = natural.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // A JPEG decodes straight at the smaller size; the others are scaled
    // after decoding, one picture at a time per thread, and none that would
    // take more memory than a thumbnail may.
    return decoder->read(target, view::kThumbnailBudget);
}

BookMaker::BookMaker(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

BookMaker::~BookMaker()
{
    m_pool.clear();
    m_pool.waitForDone();
}

int BookMaker::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_pages.size());
}

int BookMaker::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BookMaker::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_pages.size())
        return {};
    const Page &page = m_pages.at(index.row());
    switch (index.column()) {
    case NumberColumn:
        if (role == Qt::DisplayRole)
            return QString::number(index.row() + 1);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        break;
    case PictureColumn:
        if (role == Qt::DecorationRole && !page.thumbnail.isNull())
            return page.thumbnail;
        if (role == Qt::ToolTipRole)
            return page.path;
        break;
    case PathColumn:
        if (role == Qt::DisplayRole)
            return page.path;
        break;
    default:
        break;
    }
    return {};
}

QString BookMaker::path(int row) const
{
    return row >= 0 && row < m_pages.size() ? m_pages.at(row).path : QString();
}

QStringList BookMaker::paths() const
{
    QStringList out;
    out.reserve(m_pages.size());
    for (const Page &p : m_pages)
        out << p.path;
    return out;
}

QImage BookMaker::thumbnail(int row) const
{
    return row >= 0 && row < m_pages.size() ? m_pages.at(row).thumbnail : QImage();
}

void BookMaker::renumber()
{
    if (!m_pages.isEmpty())
        emit dataChanged(index(0, NumberColumn), index(int(m_pages.size()) - 1, NumberColumn), {Qt::DisplayRole});
}

int BookMaker::rowOf(quint64 id) const
{
    for (int i = 0; i < m_pages.size(); ++i) {
        if (m_pages.at(i).id == id)
            return i;
    }
    return -1;
}

QStringList BookMaker::insertPictures(int position, const QStringList &paths)
{
    QStringList refused;
    QList<Page> added;
    for (const QString &path : paths) {
        if (!isPictureFile(path)) {
            refused << path;
            continue;
        }
        added << Page{m_nextId++, path, {}};
    }
    if (added.isEmpty())
        return refused;
    if (position < 0 || position >= m_pages.size())
        position = 0;
    beginInsertRows({}, position, position + int(added.size()) - 1);
    for (int i = 0; i < added.size(); ++i)
        m_pages.insert(position + i, added.at(i));
    endInsertRows();
    renumber();

    if (m_pending == 0) {
        m_batchDone = 0;
        m_batchTotal = 0;
        m_failed.clear();
    }
    m_pending += int(added.size());
    m_batchTotal += int(added.size());
    emit thumbnailProgress(m_batchDone, m_batchTotal);
    const QSize bound(kThumbnailWidth, kThumbnailHeight);
    const QPointer<BookMaker> self(this);
    for (const Page &page : std::as_const(added)) {
        const quint64 id = page.id;
        const QString path = page.path;
        m_pool.start([self, id, path, bound] {
            const QImage image = makeThumbnail(path, bound);
            // Handed to the list's own thread; dropped if the list is gone.
            if (self)
                QMetaObject::invokeMethod(self, [self, id, image] {
                    if (self)
                        self->thumbnailReady(id, image);
                }, Qt::QueuedConnection);
        });
    }
    return refused;
}

void BookMaker::thumbnailReady(quint64 id, const QImage &image)
{
    --m_pending;
    ++m_batchDone;
    const int row = rowOf(id);
    if (row >= 0) {
        if (image.isNull()) {
            m_failed << m_pages.at(row).path;
            beginRemoveRows({}, row, row);
            m_pages.removeAt(row);
            endRemoveRows();
            renumber();
        } else {
            m_pages[row].thumbnail = image;
            emit dataChanged(index(row, PictureColumn), index(row, PictureColumn), {Qt::DecorationRole});
        }
    }
    emit thumbnailProgress(m_batchDone, m_batchTotal);
    if (m_pending == 0)
        emit thumbnailsFinished(std::exchange(m_failed, {}));
}

void BookMaker::removePages(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last, so the rows still to go keep their indexes.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        const int row = *it;
        if (row < 0 || row >= m_pages.size())
            continue;
        beginRemoveRows({}, row, row);
        m_pages.removeAt(row);
        endRemoveRows();
    }
    renumber();
}

int BookMaker::movePages(QList<int> rows, int target)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return r < 0 || r >= m_pages.size(); }),
               rows.end());
    target = std::clamp(target, 0, int(m_pages.size()));
    if (rows.isEmpty())
        return target;
    QList<Page> moving;
    int before = 0; // moved rows that stood above the target
    for (int r : std::as_const(rows)) {
        moving << m_pages.at(r);
        if (r < target)
            ++before;
    }
    const int start = target - before;
    beginResetModel();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_pages.removeAt(*it);
    for (int i = 0; i < moving.size(); ++i)
        m_pages.insert(start + i, moving.at(i));
    endResetModel();
    return start;
}

void BookMaker::clear()
{
    beginResetModel();
    m_pages.clear();
    endResetModel();
}

BookMaker::Refusal BookMaker::checkBeforeSave(const QString &title) const
{
    if (m_pages.isEmpty())
        return Refusal::NoPages;
    if (title.isEmpty())
        return Refusal::NoTitle;
    return Refusal::None;
}

BookMaker::SaveOutcome BookMaker::save(const QString &templatePath, const QString &target,
                                       const book::BookMeta &meta) const
{
    using Outcome = SaveOutcome;
    if (!QFileInfo(templatePath).isFile())
        return Outcome{Outcome::MissingTemplate, templatePath, {}};
    book::BookWriter writer(templatePath, target);
    if (const db::Error e = writer.begin(meta)) {
        if (e.code == db::Held)
            return Outcome{Outcome::TargetHeld, target, db::describe(e)};
        if (e.code == db::NoSuchFile && !QFileInfo(templatePath).isFile())
            return Outcome{Outcome::MissingTemplate, templatePath, db::describe(e)};
        return Outcome{Outcome::Failed, target, db::describe(e)};
    }
    for (const Page &page : m_pages) {
        if (!QFileInfo(page.path).isFile())
            return Outcome{Outcome::MissingPicture, page.path, {}};
        if (const db::Error e = writer.addPageFile(page.path)) {
            if (e.message.contains(page.path))
                return Outcome{Outcome::MissingPicture, page.path, db::describe(e)};
            return Outcome{Outcome::Failed, target, db::describe(e)};
        }
    }
    if (const db::Error e = writer.commit())
        return Outcome{e.code == db::Held ? Outcome::TargetHeld : Outcome::Failed, target, db::describe(e)};
    return {};
}

} // namespace korvel::maker
