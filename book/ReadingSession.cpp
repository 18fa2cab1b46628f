#include "book/ReadingSession.h"

#include "book/BookReader.h"
#include "book/PageMemory.h"
#include "db/Connection.h"
#include "platform/NativePath.h"
#include "platform/NewFile.h"
#include "platform/ScratchFile.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace korvel::book {

ReadingSession::ReadingSession(QString appDir, QObject *parent)
    : QObject(parent)
    , m_appDir(std::move(appDir))
    , m_book(std::make_unique<db::Connection>())
{
    // A reader that was killed left its staged page (and perhaps a half
    // written read.tmp) in the folder: gone now, if that reader is.
    platform::sweepLeftovers(m_appDir);
}

ReadingSession::~ReadingSession()
{
    if (m_open && m_pageMemory)
        m_pageMemory->remember(m_path, m_position);
    dropStaged();
}

void ReadingSession::rememberPagesIn(const QString &filePath)
{
    m_pageMemory = std::make_unique<PageMemory>(filePath);
}

void ReadingSession::release()
{
    m_book->close();
    dropStaged();
}

void ReadingSession::dropStaged()
{
    // After a turn the staged name holds the page before it: removed as well.
    if (!m_staged.isEmpty() || m_stagedUsed)
        QFile::remove(stagedPath());
    m_staged.clear();
    m_stagedUsed = false;
}

bool ReadingSession::useStaged()
{
    const QByteArray staged = QFile::encodeName(stagedPath());
    const QByteArray target = QFile::encodeName(readTmpPath());
    // Swapped with the old read.tmp in one step: replacing a file by rename
    // makes the file system write the new one out first, which costs a turn
    // more than the rest of it. Where swapping is not to be had, a rename.
    bool done = platform::swapWithFile(staged, target);
    if (!done)
        done = ::rename(staged.constData(), target.constData()) == 0;
    if (done) {
        m_staged.clear();
        m_stagedUsed = true;
    }
    return done;
}

QString ReadingSession::stagedPath() const
{
    return m_appDir + QStringLiteral("/.read.tmp.%1.next").arg(QCoreApplication::applicationPid());
}

void ReadingSession::stagePage(qint32 pageNumber, const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty() || (pageNumber == m_stagedNumber && bytes == m_staged))
        return;
    dropStaged();
    if (platform::writeScratchFile(stagedPath(), bytes)) {
        m_stagedNumber = pageNumber;
        m_staged = bytes;
    }
}

ReadingSession::OpenResult ReadingSession::open(const QString &path)
{
    close();
    // A book is only ever read here: the file never changes.
    if (m_book->open(path, db::Access::ReadOnly))
        return OpenResult::OpenFailed;
    PageList pages;
    if (readPageList(*m_book, &pages)) {
        release();
        return OpenResult::PagesFailed;
    }
    if (pages.numbers.isEmpty()) {
        // An empty book is not an open book: nothing may stay held by it.
        release();
        return OpenResult::NoPages;
    }
    m_pages = std::move(pages);
    // As its name reads, a name from Windows too, however it was given
    // (a file dialog gives its GBK bytes as U+FFFD).
    m_path = platform::readablePath(platform::nativePath(path));
    m_position = m_pageMemory ? m_pageMemory->recall(m_path, pageCount()) : 0;
    m_open = true;
    emit opened(m_path);
    return OpenResult::Opened;
}

void ReadingSession::close()
{
    release();
    if (!m_open)
        return;
    if (m_pageMemory)
        m_pageMemory->remember(m_path, m_position);
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

PageRead ReadingSession::readStored(qint32 pageNumber, const QByteArray &known)
{
    // The list is in page number order: the page's row is found there.
    const auto at = std::lower_bound(m_pages.numbers.cbegin(), m_pages.numbers.cend(), pageNumber);
    if (at != m_pages.numbers.cend() && *at == pageNumber)
        return readListedPage(*m_book, m_pages, int(at - m_pages.numbers.cbegin()), known);
    return readPage(*m_book, pageNumber, known);
}

ReadingSession::Page ReadingSession::extractPage(qint32 pageNumber, const QByteArray &known)
{
    Page page;
    if (!m_open)
        return page;
    const bool staged = !m_staged.isEmpty() && pageNumber == m_stagedNumber;
    PageRead read = readStored(pageNumber, known.isEmpty() && staged ? m_staged : known);
    if (read.error)
        return page;
    page.found = read.found;
    if (read.found && !read.isNull) {
        page.hasImage = true;
        page.bytes = std::move(read.bytes);
        // Written whole or not at all: a reader of read.tmp never sees half a page.
        // The read hands back the staged bytes themselves when they are the page's.
        const bool same = page.bytes.constData() == m_staged.constData() && page.bytes.size() == m_staged.size();
        if (staged && (same || m_staged == page.bytes))
            page.written = useStaged();
        if (!page.written)
            page.written = platform::writeScratchFile(readTmpPath(), page.bytes);
    }
    return page;
}

std::optional<QByteArray> ReadingSession::readPageBytes(qint32 pageNumber, const QByteArray &known)
{
    if (!m_open)
        return std::nullopt;
    PageRead read = readStored(pageNumber, known);
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
