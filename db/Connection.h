#pragma once

#include "db/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>
#include <optional>

namespace korvel::db {

// ReadOnly opens the file read-only and immutable: reading never changes a
// byte of it, works on read-only files and folders, and leaves no journal.
enum class Access { ReadWrite, ReadOnly };

// How a connection treats the file it opens. A book can come from anywhere,
// so by default its schema is not trusted: views and triggers do not run,
// no value may grow past the largest page, and a statement that runs for
// longer than deadlineMs is stopped with an error, like a damaged file.
// Only the benchmark's baseline opens without this.
struct Options {
    bool hardened = true;
    int deadlineMs = 3000;
};

// The largest string or blob a hardened connection reads or writes: the
// largest page picture a book may hold.
constexpr int kMaxValueBytes = 256 * 1024 * 1024;

class Statement;

// One open database file, with an exclusive hold on it for as long as it is
// open: a second open of the same file fails, from this process or another.
// Closing (or destroying) the connection finalizes its statements; a
// Statement that outlives it reports NotOpen.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&other) noexcept;
    Q_DISABLE_COPY(Connection)

    Error open(const QString &path, Access access, const Options &options = {});
    void close();
    bool isOpen() const;
    QString path() const;
    Access access() const;

    // Exactly one statement: any statement after it is refused, never run.
    Statement prepare(const QString &sql, Error *error = nullptr);
    // Runs one statement to its end with its "?" marks bound in order; rows are dropped.
    Error exec(const QString &sql, const QVariantList &values = {});
    qint64 lastInsertRowId() const;
    // The bytes of the value at table.column in row rowid, read straight from
    // the file into the array returned, with no copy on the way. When they
    // equal known, known itself is returned: they are compared in pieces and
    // nothing is allocated, so a page read again only to learn it is
    // unchanged costs no fresh memory. Nothing on any failure, nor for an
    // empty value (no such row, a null or a view, a damaged file, a value
    // over kMaxValueBytes): the caller then reads the row with a statement
    // and learns why from that.
    std::optional<QByteArray> storedBytes(const char *table, const char *column, qint64 rowid,
                                          const QByteArray &known = {});

    // How long one statement may run, for statements started from now on
    // (hardened connections only).
    void setDeadline(int ms);
    int deadline() const;
    // The engine's work on this connection since it was opened, in hundreds
    // of its steps (hardened connections only): how the cost of a query
    // grows with the data is measured by it.
    qint64 engineWork() const;

    // Makes a new database file from the given statements, replacing one
    // that is there (the build's tools make the template and the catalog
    // this way; the program itself never creates one). On failure no file
    // is left at path.
    static Error createFile(const QString &path, const QStringList &statements);

    struct State;

private:
    std::unique_ptr<State> d;
};

// One prepared statement. Step it with next(), read the current row's
// columns, reset() it to run again with new values bound.
class Statement {
public:
    Statement();
    ~Statement();
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;
    Q_DISABLE_COPY(Statement)

    bool isValid() const;
    // A null QVariant binds NULL; QByteArray a blob; whole numbers and bools
    // an integer; floating point a real; anything else its text.
    Error bind(int index1Based, const QVariant &value);
    // True on a row; false at the end or on an error, which error() tells apart.
    bool next();
    Error error() const;
    // True once next() has returned false.
    bool atEnd() const;
    void reset();
    // A statement's deadline runs from its first step to its end or reset.
    // One that the caller steps at its own pace, a row now and a row later,
    // gives each step the whole time instead.
    void setDeadlineEachStep(bool each);

    int columnCount() const;
    QString columnName(int column) const;
    QVariant value(int column) const;
    qint64 int64(int column) const;
    bool isNull(int column) const;
    QByteArray blob(int column) const;
    // The same bytes, but when they equal known, known itself is returned,
    // sharing its storage: a page read again costs a comparison, not a copy
    // into fresh memory.
    QByteArray blob(int column, const QByteArray &known) const;

    // What the statement is: its text, and whether it leaves the file as it was.
    QString sql() const;
    bool isReadOnly() const;

    struct Core;

private:
    friend class Connection;
    std::unique_ptr<Core> d;
};

// Begins a transaction when made; rolls it back when it goes out of scope
// uncommitted, so an early return or a failed step never half-applies.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    Q_DISABLE_COPY(Transaction)

    // The error of the BEGIN, if it failed.
    Error error() const { return m_error; }
    Error commit();
    Error rollback();

private:
    Connection *m_connection;
    Error m_error;
    bool m_active = false;
};

} // namespace korvel::db
