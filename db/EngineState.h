#pragma once

// What a connection and its statements share inside the database layer: the
// engine's handles, the deadline and the statements still open. Not for use
// outside db/.

#include "db/Connection.h"

#include "platform/FileLock.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <limits>
#include <vector>

namespace korvel::db {

inline constexpr qint64 kNever = std::numeric_limits<qint64>::max();

// The coarse clock costs a few nanoseconds a read, little enough to read it
// every hundred engine steps; its few milliseconds of grain do not matter
// against a deadline of seconds.
inline qint64 nowNs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Connection::State {
    sqlite3 *db = nullptr;
    platform::FileLock lock;
    QString path;
    Access access = Access::ReadWrite;
    Options options;
    // The moment the statement being stepped must give up, and whether the
    // progress handler has made it give up.
    qint64 deadlineNs = kNever;
    bool interrupted = false;
    qint64 work = 0; // calls of the progress handler
    std::vector<Statement::Core *> statements;
    // A long path is opened through its folder's descriptor.
    int folderFd = -1;

    Error engineError(int rc) const;
    Error interruptedError() const;
    Error nameThroughFolder(const QByteArray &native, QByteArray *name);
    void forget(Statement::Core *core)
    {
        statements.erase(std::remove(statements.begin(), statements.end(), core), statements.end());
    }
};

struct Statement::Core {
    Connection::State *conn = nullptr;
    sqlite3_stmt *stmt = nullptr;
    Error error;
    bool atEnd = false;
    // The deadline of this run, from its first step to its end, so a page
    // list read row by row cannot slip under it; or, for a statement the
    // caller steps at its own pace, of each step.
    qint64 deadlineNs = kNever;
    bool running = false;
    bool eachStep = false;
    // Bound texts and blobs stay alive here until rebound, so the engine can
    // read them in place instead of copying every page picture.
    std::vector<QByteArray> bound;

    ~Core() { finalize(); }
    void finalize()
    {
        if (conn)
            conn->forget(this);
        sqlite3_finalize(stmt);
        stmt = nullptr;
        conn = nullptr;
    }
};

inline Error ownError(int code, const QString &message)
{
    return Error{code, message};
}

} // namespace korvel::db
