#include "book/ReadingSession.h"

#include "book/mOpenDatabase.h"

#include <QSaveFile>

namespace korvel::book {

ReadingSession::ReadingSession(QString appDir, QObject *parent)
    : QObject(parent)
    , m_appDir(std::move(appDir))
    , m_db(std::make_unique<mOpenDatabase>(m_appDir))
{
}

ReadingSession::~ReadingSession()
{
    m_db->CloseBookConn();
}

void ReadingSession::release()
{
    m_db->CloseBookConn();
}

ReadingSession::OpenResult ReadingSession::open(const QString &path)
{
    close();
    if (!m_db->OpenBookConn(path))
        return OpenResult::OpenFailed;
    if (!m_db->OpenBookRs(QStringLiteral("Select pagenumber From pages Order By pagenumber"))) {
        release();
        return OpenResult::PagesFailed;
    }
    QVector<qint32> numbers;
    for (; !m_db->BookRs.Eof(); m_db->BookRs.MoveNext())
        numbers << qint32(m_db->BookRs.Field(0).toLongLong());
    m_db->BookRs.Close();
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
    if (!m_db->OpenBookRs(QStringLiteral("Select image From pages Where pagenumber = ") + QString::number(pageNumber)))
        return page;
    page.found = !m_db->BookRs.Eof();
    if (page.found && !m_db->BookRs.IsNull(QStringLiteral("image"))) {
        page.hasImage = true;
        page.bytes = m_db->BookRs.Field(0).toByteArray();
        // Written whole or not at all: a reader of read.tmp never sees half a page.
        QSaveFile f(readTmpPath());
        page.written = f.open(QIODevice::WriteOnly) && f.write(page.bytes) == page.bytes.size() && f.commit();
    }
    m_db->BookRs.Close();
    return page;
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
