#include "db/Connection.h"
#include "db/EngineState.h"

#include "platform/NativePath.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvel::db {

namespace {

int progressHandler(void *context)
{
    auto *state = static_cast<Connection::State *>(context);
    ++state->work;
    if (nowNs() < state->deadlineNs)
        return 0;
    state->interrupted = true;
    return 1;
}

quint32 bigEndian(const unsigned char *p, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

// A quick look at the file before the engine sees it: not empty, a database
// header, and not shorter than the header says. The engine would take an
// empty file for a new database, and a cut-off book would only fail pages
// later, in the middle of reading.
Error checkWholeDatabase(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return ownError(Unreadable, QStringLiteral("cannot read the file"));
    unsigned char header[100];
    if (st.st_size < qint64(sizeof header) || ::pread(fd, header, sizeof header, 0) != ssize_t(sizeof header))
        return ownError(NotADatabase, QStringLiteral("file too short to be a database"));
    if (std::memcmp(header, "SQLite format 3", 16) != 0)
        return ownError(NotADatabase, QStringLiteral("not a database file"));
    quint32 pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return ownError(NotADatabase, QStringLiteral("damaged database header"));
    const quint32 pages = bigEndian(header + 28, 4);
    const bool countValid = pages > 0 && bigEndian(header + 24, 4) == bigEndian(header + 92, 4);
    if (countValid && quint64(st.st_size) < quint64(pages) * pageSize)
        return ownError(NotADatabase, QStringLiteral("database file is truncated"));
    return {};
}

QByteArray uriFor(const QByteArray &native, const char *query)
{
    // Every byte outside the unreserved set and "/" is percent-encoded, so
    // blanks, quotes, "?", "#", Chinese names and names in any other
    // encoding all reach the file intact.
    return QByteArrayLiteral("file://") + native.toPercentEncoding("/") + query;
}

// The engine keeps a file's full name, and the names of its journals, in
// buffers of 512 bytes; a longer path fails as "unable to open database
// file". Such a file is named through a descriptor of its folder instead,
// "/proc/self/fd/N/name", which the engine must take as it is: its own
// lookup would follow the link back to the long path. The names it makes
// from it for the journal and the log then land beside the file as always.
constexpr int kLongestEngineName = 400;
constexpr char kLiteralVfs[] = "korvel-literal";

int literalFullPathname(sqlite3_vfs *, const char *path, int size, char *out)
{
    const size_t n = std::strlen(path);
    if (path[0] != '/' || n + 1 > size_t(size))
        return SQLITE_CANTOPEN;
    std::memcpy(out, path, n + 1);
    return SQLITE_OK;
}

// The default file system under another name, taking full path names
// literally and, where open is given, opening files its own way.
sqlite3_vfs derivedVfs(const char *name, int (*open)(sqlite3_vfs *, const char *, sqlite3_file *, int, int *))
{
    sqlite3_vfs copy = *sqlite3_vfs_find(nullptr);
    copy.zName = name;
    copy.pNext = nullptr;
    copy.xFullPathname = literalFullPathname;
    if (open)
        copy.xOpen = open;
    return copy;
}

// Registers vfs (which lives as long as the program); its name, or nullptr.
const char *registered(sqlite3_vfs *vfs)
{
    return sqlite3_vfs_register(vfs, 0) == SQLITE_OK ? vfs->zName : nullptr;
}

// The default file system with that one change, registered once.
const char *literalVfs()
{
    static sqlite3_vfs vfs = derivedVfs(kLiteralVfs, nullptr);
    static const char *const name = registered(&vfs);
    return name;
}

// A book that another program left in write-ahead-log mode, with the log
// beside it, has its latest pages only in the log, which an immutable open
// never reads. The engine reads such a log itself, but keeps the log's index
// in a "-shm" file it makes beside the book, unless the connection holds the
// book exclusively, when the index is kept in memory. This file system
// opens every file read-only, the log included, and takes the locks of
// that exclusive hold as granted (the program's own hold keeps other Korvels
// out), so reading the log writes nothing anywhere.
constexpr char kReadOnlyVfs[] = "korvel-read-only";

int grantLock(sqlite3_file *, int)
{
    return SQLITE_OK;
}

int noOtherLock(sqlite3_file *, int *reserved)
{
    *reserved = 0;
    return SQLITE_OK;
}

int readOnlyOpen(sqlite3_vfs *, const char *name, sqlite3_file *file, int flags, int *outFlags)
{
    static sqlite3_vfs *const base = sqlite3_vfs_find(nullptr);
    if (name)
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE)) | SQLITE_OPEN_READONLY;
    const int rc = base->xOpen(base, name, file, flags, outFlags);
    if (rc != SQLITE_OK || !(flags & SQLITE_OPEN_MAIN_DB) || !file->pMethods)
        return rc;
    // The database's methods, with the locks granted.
    static const sqlite3_io_methods *const original = file->pMethods;
    static const sqlite3_io_methods granted = [] {
        sqlite3_io_methods methods = *original;
        methods.xLock = grantLock;
        methods.xUnlock = grantLock;
        methods.xCheckReservedLock = noOtherLock;
        return methods;
    }();
    if (file->pMethods == original)
        file->pMethods = &granted;
    return rc;
}

const char *readOnlyVfs()
{
    static sqlite3_vfs vfs = derivedVfs(kReadOnlyVfs, readOnlyOpen);
    static const char *const name = registered(&vfs);
    return name;
}

bool isWalBook(int fd)
{
    unsigned char version[2] = {0, 0};
    return ::pread(fd, version, 2, 18) == 2 && version[0] == 2 && version[1] == 2;
}

qint64 fileSize(const QByteArray &native)
{
    struct stat st {};
    return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
}

bool writableHere(const QByteArray &native)
{
    const int slash = native.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? native.left(slash) : QByteArrayLiteral("/");
    return ::access(native.constData(), W_OK) == 0 && ::access(folder.constData(), W_OK) == 0;
}

// What the engine needs to read a file it cannot trust, as its makers advise.
// The schema's views and triggers could run anything for as long as they
// like, so they are off; no value may grow past the largest page; and a
// statement that keeps the engine busy past the deadline is stopped by the
// progress handler. Not done: a full integrity check at open, which would
// read every byte of a book of a gigabyte before its first page is shown.
Error harden(sqlite3 *db, Connection::State *state)
{
    int ignored = 0;
    const struct {
        int option;
        int value;
    } settings[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_ENABLE_VIEW, 0},
    };
    for (const auto &s : settings) {
        const int rc = sqlite3_db_config(db, s.option, s.value, &ignored);
        if (rc != SQLITE_OK)
            return Error{rc, QString::fromUtf8(sqlite3_errstr(rc))};
    }
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    // Functions in the schema limited to harmless ones; every page's cells
    // checked as it is read; the file read through the engine's own checks,
    // never mapped into memory.
    for (const char *pragma : {"PRAGMA trusted_schema=OFF", "PRAGMA cell_size_check=ON", "PRAGMA mmap_size=0"}) {
        char *message = nullptr;
        const int rc = sqlite3_exec(db, pragma, nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            Error e{rc, QString::fromUtf8(message ? message : sqlite3_errstr(rc))};
            sqlite3_free(message);
            return e;
        }
    }
    // The engine calls it at the end of a loop once this many steps have run
    // since the last call, which is every ten to thirty rows: rows that each
    // take long to compute are stopped soon after the deadline, and a page
    // list pays about one per cent for the clock reads.
    sqlite3_progress_handler(db, 100, progressHandler, state);
    return {};
}

} // namespace

Error Connection::State::engineError(int rc) const
{
    if (rc == SQLITE_INTERRUPT && interrupted)
        return interruptedError();
    QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (!path.isEmpty())
        message += QStringLiteral(" (") + path + QLatin1Char(')');
    return Error{rc, message};
}

Error Connection::State::nameThroughFolder(const QByteArray &native, QByteArray *name)
{
    const int slash = native.lastIndexOf('/');
    folderFd = ::open(slash > 0 ? native.left(slash).constData() : "/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return ownError(errno == ENAMETOOLONG ? PathTooLong : Unreadable,
                        QStringLiteral("the folder cannot be opened (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
    *name = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(folderFd) + native.mid(slash);
    return {};
}

Error Connection::State::interruptedError() const
{
    return Error{SQLITE_INTERRUPT,
                 QStringLiteral("a statement on %1 ran longer than %2 ms; the file is damaged or not what it claims to be")
                     .arg(path)
                     .arg(options.deadlineMs)};
}

// ---------------------------------------------------------------- Connection

Connection::Connection()
    : d(std::make_unique<State>())
{
}

Connection::~Connection()
{
    close();
}

Connection::Connection(Connection &&other) noexcept
    : d(std::exchange(other.d, std::make_unique<State>()))
{
}

Connection &Connection::operator=(Connection &&other) noexcept
{
    if (this != &other) {
        close();
        std::swap(d, other.d);
    }
    return *this;
}

Error Connection::open(const QString &path, Access access, const Options &options)
{
    close();
    if (path.isEmpty())
        return ownError(NoSuchFile, QStringLiteral("no file name"));
    switch (d->lock.acquire(path)) {
    case platform::FileLock::Result::Ok:
        break;
    case platform::FileLock::Result::Missing:
        return ownError(NoSuchFile, QStringLiteral("file not found: %1").arg(path));
    case platform::FileLock::Result::NotAFile:
        return ownError(NotAFile, QStringLiteral("not a file: %1").arg(path));
    case platform::FileLock::Result::Held:
        return ownError(Held, QStringLiteral("file is already open: %1").arg(path));
    case platform::FileLock::Result::Unreadable:
        return ownError(Unreadable, QStringLiteral("file cannot be read: %1").arg(path));
    case platform::FileLock::Result::TooLong:
        return ownError(PathTooLong, QStringLiteral("the path is too long to open (the system opens at most 4095 "
                                                    "bytes, and 255 for one name): %1")
                                         .arg(path));
    }
    if (Error e = checkWholeDatabase(d->lock.fd())) {
        d->lock.release();
        e.message += QStringLiteral(": ") + path;
        return e;
    }

    const QByteArray native = platform::nativePath(QFileInfo(path).absoluteFilePath());
    // A file or folder that cannot be written is still opened, read-only.
    const bool readOnly = access == Access::ReadOnly || !writableHere(native);
    QByteArray name = native;
    const char *query = access == Access::ReadOnly ? "?mode=ro&immutable=1" : readOnly ? "?mode=ro" : "?mode=rw";
    const char *vfs = nullptr;
    const bool withLog = access == Access::ReadOnly && isWalBook(d->lock.fd()) && fileSize(native + "-wal") > 0;
    if (name.size() > kLongestEngineName) {
        if (Error e = d->nameThroughFolder(native, &name)) {
            close();
            e.message += QStringLiteral(": ") + path;
            return e;
        }
        vfs = literalVfs();
    }
    if (withLog) {
        query = "?mode=ro";
        vfs = readOnlyVfs();
    }
    const QByteArray uri = uriFor(name, query);
    const int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(uri.constData(), &db, flags, vfs);
    d->db = db;
    d->path = path;
    d->access = access;
    d->options = options;
    d->work = 0;
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        if (withLog) {
            // Held exclusively before the first read, so the log's index stays in memory.
            int ignored = 0;
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &ignored);
            rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE", nullptr, nullptr, nullptr);
        }
        // Another program's lock on the file is waited for no longer than a statement may run.
        sqlite3_busy_timeout(db, std::max(options.deadlineMs, 1000));
    }
    Error error = rc == SQLITE_OK ? Error{} : d->engineError(rc);
    if (!error && options.hardened)
        error = harden(db, d.get());
    // The schema must be readable; a damaged file fails here rather than later.
    if (!error) {
        Statement probe = prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"), &error);
        if (!error && !probe.next())
            error = probe.error();
    }
    if (error && withLog && ::access((native + "-wal").constData(), R_OK) != 0) {
        error = ownError(JournalUnreadable,
                         QStringLiteral("the book's latest pages are in its write-ahead log, which cannot be read (%1): %2-wal")
                             .arg(QString::fromLocal8Bit(std::strerror(errno)), path));
    }
    if (error) {
        close();
        return error;
    }
    return {};
}

void Connection::close()
{
    if (!d)
        return;
    for (Statement::Core *core : std::vector<Statement::Core *>(d->statements)) {
        core->finalize();
        core->error = ownError(NotOpen, QStringLiteral("the connection was closed"));
    }
    if (d->db) {
        sqlite3_close_v2(d->db);
        d->db = nullptr;
    }
    d->lock.release();
    if (d->folderFd >= 0)
        ::close(d->folderFd);
    d->folderFd = -1;
    d->path.clear();
    d->interrupted = false;
    d->deadlineNs = kNever;
}

bool Connection::isOpen() const
{
    return d->db != nullptr;
}

QString Connection::path() const
{
    return d->path;
}

Access Connection::access() const
{
    return d->access;
}

void Connection::setDeadline(int ms)
{
    d->options.deadlineMs = ms;
}

qint64 Connection::engineWork() const
{
    return d ? d->work : 0;
}

int Connection::deadline() const
{
    return d->options.deadlineMs;
}

qint64 Connection::lastInsertRowId() const
{
    return d->db ? sqlite3_last_insert_rowid(d->db) : 0;
}

namespace {

std::optional<QByteArray> readOpenBlob(sqlite3_blob *blob, const QByteArray &known, bool hardened)
{
    const int size = sqlite3_blob_bytes(blob);
    if (size <= 0 || (hardened && size > kMaxValueBytes))
        return std::nullopt;
    if (size == known.size()) {
        char piece[16 * 1024];
        int same = 0;
        while (same < size) {
            const int n = std::min(int(sizeof piece), size - same);
            if (sqlite3_blob_read(blob, piece, n, same) != SQLITE_OK)
                return std::nullopt;
            if (std::memcmp(piece, known.constData() + same, size_t(n)) != 0)
                break;
            same += n;
        }
        if (same == size)
            return known;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    if (sqlite3_blob_read(blob, bytes.data(), size, 0) != SQLITE_OK)
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<QByteArray> Connection::storedBytes(const char *table, const char *column, qint64 rowid,
                                                  const QByteArray &known)
{
    if (!d->db)
        return std::nullopt;
    if (d->options.hardened) {
        d->deadlineNs = nowNs() + qint64(d->options.deadlineMs) * 1000000;
        d->interrupted = false;
    }
    sqlite3_blob *blob = nullptr;
    std::optional<QByteArray> bytes;
    if (sqlite3_blob_open(d->db, "main", table, column, rowid, 0, &blob) == SQLITE_OK)
        bytes = readOpenBlob(blob, known, d->options.hardened);
    sqlite3_blob_close(blob);
    d->deadlineNs = kNever;
    return bytes;
}

Statement Connection::prepare(const QString &sql, Error *error)
{
    Statement statement;
    Error e;
    if (!d->db) {
        e = ownError(NotOpen, QStringLiteral("no open connection"));
    } else {
        const QByteArray text = sql.toUtf8();
        const char *end = text.constData() + text.size();
        const char *tail = nullptr;
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(d->db, text.constData(), int(text.size()), &stmt, &tail);
        if (rc != SQLITE_OK) {
            e = d->engineError(rc);
        } else if (!stmt) {
            e = ownError(Misuse, QStringLiteral("no statement in \"%1\"").arg(sql));
        } else {
            // What follows may only be blanks, comments and semicolons:
            // a second statement is refused, never run.
            while (tail && tail < end) {
                sqlite3_stmt *extra = nullptr;
                const char *next = nullptr;
                rc = sqlite3_prepare_v2(d->db, tail, int(end - tail), &extra, &next);
                const bool another = rc != SQLITE_OK || extra != nullptr;
                sqlite3_finalize(extra);
                if (another) {
                    e = ownError(MoreThanOneStatement, QStringLiteral("more than one statement in \"%1\"").arg(sql));
                    break;
                }
                if (next == tail)
                    break;
                tail = next;
            }
        }
        if (e) {
            sqlite3_finalize(stmt);
        } else {
            statement.d->conn = d.get();
            statement.d->stmt = stmt;
            d->statements.push_back(statement.d.get());
        }
    }
    if (e)
        statement.d->error = e;
    if (error)
        *error = e;
    return statement;
}

Error Connection::exec(const QString &sql, const QVariantList &values)
{
    Error error;
    Statement statement = prepare(sql, &error);
    for (int i = 0; !error && i < values.size(); ++i)
        error = statement.bind(i + 1, values.at(i));
    while (!error && statement.next()) {
    }
    return error ? error : statement.error();
}

Error Connection::createFile(const QString &path, const QStringList &statements)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    const QByteArray native = QFile::encodeName(path);
    Error error;
    int rc = sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        error = Error{rc, QStringLiteral("cannot create %1: %2")
                              .arg(path, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc)))};
    }
    for (int i = 0; !error && i < statements.size(); ++i) {
        char *message = nullptr;
        rc = sqlite3_exec(db, statements.at(i).toUtf8().constData(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK)
            error = Error{rc, QStringLiteral("%1: %2 (%3)")
                                  .arg(QString::fromUtf8(message ? message : sqlite3_errstr(rc)), statements.at(i), path)};
        sqlite3_free(message);
    }
    sqlite3_close(db);
    if (error)
        QFile::remove(path);
    return error;
}

} // namespace korvel::db
