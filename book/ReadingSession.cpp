#include "book/ReadingSession.h"

#include "book/BookReader.h"
#include "db/Connection.h"
#include "platform/ScratchFile.h"

namespace korvel::book {

ReadingSession::ReadingSession(QString appDir, QObject *parent)
    : QObject(parent)
    , m_appDir(std::move(appDir))
    , m_book(std::make_unique<db::Connection>())
{
}

ReadingSession::~ReadingSession() = default;

void ReadingSession::release()
{
    m_book->close();
}

ReadingSession::OpenResult ReadingSession::open(const QString &path)
{
    close();
    // A book is only ever read here: the file never changes.
    if (m_book->open(path, db::Access::ReadOnly))
        return OpenResult::OpenFailed;
    QVector<qint32> numbers;
    if (readPageNumbers(*m_book, &numbers)) {
        release();
        return OpenResult::PagesFailed;
    }
    if (numbers.isEmpty()) {
        // An empty book is not an open book: nothing may stay held by it.
        release();
        return OpenResult::NoPages;
    }
    m_pageNumbers = std::move(numbers);
    m_position = 0;
    m_path = path;
    m_open = true;
    emit opened(path);
    return OpenResult::Opened;
}

void ReadingSession::close()
{
    release();
    if (!m_open)
        return;
    // The page list and position stay as they were until the next book.
    m_open = false;
    m_path.clear();
    emit closed();
}

void ReadingSession::setPosition(int position)
{
    if (position < 0 || position >= pageCount())
        return;
    m_position = position;
    emit positionChanged(position);
}

int ReadingSession::previousPosition() const
{
    return previousIndex(m_position, pageCount());
}

int ReadingSession::nextPosition() const
{
    return nextIndex(m_position, pageCount());
}

ReadingSession::Page ReadingSession::extractPage(qint32 pageNumber)
{
    Page page;
    if (!m_open)
        return page;
    PageRead read = readPage(*m_book, pageNumber);
    if (read.error)
        return page;
    page.found = read.found;
    if (read.found && !read.isNull) {
        page.hasImage = true;
        page.bytes = std::move(read.bytes);
        // Written whole or not at all: a reader of read.tmp never sees half a page.
        page.written = platform::writeScratchFile(readTmpPath(), page.bytes);
    }
    return page;
}

std::optional<QByteArray> ReadingSession::readPageBytes(qint32 pageNumber)
{
    if (!m_open)
        return std::nullopt;
    PageRead read = readPage(*m_book, pageNumber);
    if (read.error || !read.found || read.isNull)
        return std::nullopt;
    return std::move(read.bytes);
}

int previousIndex(int current, int count)
{
    const int p = current - 1;
    return p < 0 ? count - 1 : p;
}

int nextIndex(int current, int count)
{
    const int n = current + 1;
    return n > count - 1 ? 0 : n;
}

} // namespace korvel::book
