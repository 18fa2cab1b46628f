#include "book/BookWriter.h"

#include "platform/FileLock.h"
#include "platform/NewFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::book {

namespace {

db::Error fileError(const QString &what)
{
    const int systemError = errno;
    return db::Error{db::FileFailed, what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(systemError)),
                     systemError};
}

bool copyAll(int from, int to)
{
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return false;
            done += w;
        }
        at += n;
    }
}

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Database pages of 64 KB: a picture of 600 KB then spans ten of them instead
// of a hundred and fifty, which is fewer writes when the book is made and
// fewer pages to follow when a page is read.
constexpr int kBookPageSize = 65536;

db::Error usePageSize(db::Connection &book)
{
    db::Error e;
    db::Statement size = book.prepare(QStringLiteral("PRAGMA page_size"), &e);
    if (e || !size.next())
        return e ? e : size.error();
    if (size.int64(0) == kBookPageSize)
        return {};
    size = db::Statement();
    // An older empty book: rebuilt with the larger pages, which costs next to nothing while it is empty.
    e = book.exec(QStringLiteral("PRAGMA page_size=%1").arg(kBookPageSize));
    return e ? e : book.exec(QStringLiteral("VACUUM"));
}

} // namespace

BookWriter::BookWriter(QString templatePath, QString targetPath)
    : m_template(std::move(templatePath))
    , m_target(std::move(targetPath))
{
}

BookWriter::~BookWriter()
{
    if (m_stage != Stage::Done)
        abort();
}

db::Error BookWriter::fail(db::Error error)
{
    abort();
    m_error = error;
    return error;
}

void BookWriter::abort()
{
    m_insert = db::Statement();
    m_transaction.reset();
    m_book.close();
    if (!m_temporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
    }
    if (m_stage != Stage::Done && !m_error)
        m_error = db::Error{db::Misuse, QStringLiteral("the book %1 was abandoned").arg(m_target)};
    m_stage = Stage::Done;
}

db::Error BookWriter::begin(const BookMeta &meta, bool withUrl)
{
    if (m_stage != Stage::New)
        return m_error ? m_error : db::Error{db::Misuse, QStringLiteral("the book %1 was begun already").arg(m_target)};
    m_stage = Stage::Writing;
    if (m_target.isEmpty())
        return fail({db::NoSuchFile, QStringLiteral("no file name for the new book")});

    // Refused before anything is written: a book someone is reading, or
    // something that is not a file.
    {
        platform::FileLock probe;
        switch (probe.acquire(m_target)) {
        case platform::FileLock::Result::Held:
            return fail({db::Held, QStringLiteral("%1 is open; it cannot be replaced").arg(m_target)});
        case platform::FileLock::Result::NotAFile:
            return fail({db::NotAFile, QStringLiteral("%1 is not a file; no book can be written there").arg(m_target)});
        default:
            break;
        }
    }
    const QString canonicalTemplate = QFileInfo(m_template).canonicalFilePath();
    if (!canonicalTemplate.isEmpty() && canonicalTemplate == QFileInfo(m_target).canonicalFilePath())
        return fail({db::Misuse, QStringLiteral("the empty book %1 cannot be written over").arg(m_template)});

    platform::FileLock source;
    switch (source.acquire(m_template)) {
    case platform::FileLock::Result::Ok:
        break;
    case platform::FileLock::Result::Held:
        return fail({db::Held, QStringLiteral("the empty book %1 is open elsewhere").arg(m_template)});
    default:
        return fail({db::NoSuchFile, QStringLiteral("the empty book %1 cannot be read").arg(m_template)});
    }

    const int fd = platform::createTemporaryIn(QFileInfo(m_target).absolutePath(), &m_temporary);
    if (fd < 0) {
        m_temporary.clear();
        return fail(fileError(QStringLiteral("cannot create a file in %1").arg(QFileInfo(m_target).absolutePath())));
    }
    struct stat old {};
    if (::stat(QFile::encodeName(m_target).constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    const bool copied = copyAll(source.fd(), fd);
    const db::Error copyError = fileError(QStringLiteral("cannot copy %1 to %2").arg(m_template, m_temporary));
    source.release();
    if (!copied) {
        ::close(fd);
        return fail(copyError);
    }
    if (::close(fd) != 0)
        return fail(fileError(QStringLiteral("cannot write %1").arg(m_temporary)));

    if (db::Error e = m_book.open(m_temporary, db::Access::ReadWrite))
        return fail(e);
    // The rename in commit() is what makes the book appear whole or not at
    // all, so the engine need not guard the hidden file: no journal file
    // beside it, and nothing forced to the disk until the one sync at the end.
    for (const char *pragma : {"PRAGMA journal_mode=MEMORY", "PRAGMA synchronous=OFF"}) {
        if (db::Error e = m_book.exec(QString::fromLatin1(pragma)))
            return fail(e);
    }
    if (db::Error e = usePageSize(m_book))
        return fail(e);
    m_transaction = std::make_unique<db::Transaction>(m_book);
    if (db::Error e = m_transaction->error())
        return fail(e);
    if (db::Error e = m_book.exec(withUrl ? downloaderInsertSql(meta) : makerInsertSql(meta)))
        return fail(e);
    db::Error e;
    m_insert = m_book.prepare(QStringLiteral("INSERT INTO pages (pagenumber, image) VALUES (?, ?)"), &e);
    if (e)
        return fail(e);
    return {};
}

db::Error BookWriter::addPage(const QByteArray &picture)
{
    return addPageAt(m_pages, picture);
}

db::Error BookWriter::addPageAt(qint32 number, const QByteArray &picture)
{
    if (m_stage != Stage::Writing)
        return m_error ? m_error : db::Error{db::Misuse, QStringLiteral("the book %1 is not begun").arg(m_target)};
    db::Error e = m_insert.bind(1, number);
    if (!e)
        e = m_insert.bind(2, QVariant(picture));
    if (!e) {
        m_insert.next();
        e = m_insert.error();
    }
    if (e) {
        e.message = QStringLiteral("cannot store page %1 of %2: %3").arg(number).arg(m_target, e.message);
        return fail(e);
    }
    m_insert.reset();
    // The picture may be a file's pages in memory that go away after this call.
    m_insert.bind(2, QVariant());
    ++m_pages;
    return {};
}

db::Error BookWriter::addPageFile(const QString &path)
{
    if (m_stage != Stage::Writing)
        return addPage(QByteArray());
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return fail({db::FileFailed, QStringLiteral("cannot read the picture %1: %2").arg(path, file.errorString()),
                     errno});
    // Stored straight from the file's pages in memory: one copy fewer than reading it first.
    const qint64 size = file.size();
    if (size > 0 && size <= std::numeric_limits<int>::max()) {
        if (uchar *mapped = file.map(0, size)) {
            const db::Error e = addPage(QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), int(size)));
            file.unmap(mapped);
            return e;
        }
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail({db::FileFailed, QStringLiteral("cannot read the picture %1: %2").arg(path, file.errorString())});
    return addPage(bytes);
}

db::Error BookWriter::commit(bool replace)
{
    if (m_stage != Stage::Writing)
        return m_error ? m_error : db::Error{db::Misuse, QStringLiteral("the book %1 is not begun").arg(m_target)};
    m_insert = db::Statement();
    if (db::Error e = m_transaction->commit())
        return fail(e);
    m_transaction.reset();
    m_book.close();
    if (!syncPath(m_temporary, O_RDONLY))
        return fail(fileError(QStringLiteral("cannot write %1 to the disk").arg(m_temporary)));

    // Someone may have opened the old book since begin(); holding it now
    // keeps anyone from opening it until the new one has taken its place.
    platform::FileLock old;
    if (old.acquire(m_target) == platform::FileLock::Result::Held)
        return fail({db::Held, QStringLiteral("%1 is open; it cannot be replaced").arg(m_target)});
    if (!platform::moveIntoPlace(m_temporary, m_target, replace)) {
        if (errno == EEXIST)
            return fail({db::FileFailed, QStringLiteral("%1 is already there").arg(m_target)});
        return fail(fileError(QStringLiteral("cannot rename %1 to %2").arg(m_temporary, m_target)));
    }
    m_temporary.clear();
    old.release();
    // The new name on the disk too; a file system that cannot sync a folder
    // still has the book, so a failure here is not one of the book's.
    syncPath(QFileInfo(m_target).absolutePath(), O_RDONLY | O_DIRECTORY);
    m_stage = Stage::Done;
    return {};
}

db::Error writeBook(const QString &templatePath, const QString &target, const BookMeta &meta,
                    const QStringList &pictureFiles, bool withUrl)
{
    BookWriter writer(templatePath, target);
    if (db::Error e = writer.begin(meta, withUrl))
        return e;
    for (const QString &file : pictureFiles) {
        if (db::Error e = writer.addPageFile(file))
            return e;
    }
    return writer.commit();
}

} // namespace korvel::book
