#include "db/EngineState.h"

#include <QByteArray>
#include <QVariant>

#include <cstring>
#include <utility>

namespace korvel::db {

// ---------------------------------------------------------------- Statement

Statement::Statement()
    : d(std::make_unique<Core>())
{
}

Statement::~Statement() = default;

Statement::Statement(Statement &&other) noexcept
    : d(std::exchange(other.d, std::make_unique<Core>()))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        d->finalize();
        std::swap(d, other.d);
    }
    return *this;
}

bool Statement::isValid() const
{
    return d->stmt != nullptr;
}

Error Statement::bind(int index, const QVariant &value)
{
    if (!d->stmt)
        return d->error ? d->error : ownError(NotOpen, QStringLiteral("no statement"));
    if (index < 1 || index > sqlite3_bind_parameter_count(d->stmt))
        return ownError(SQLITE_RANGE, QStringLiteral("no value %1 in \"%2\"").arg(index).arg(sql()));
    if (d->bound.size() < size_t(index))
        d->bound.resize(size_t(index));
    QByteArray &kept = d->bound[size_t(index - 1)];
    int rc;
    if (value.isNull()) {
        kept.clear();
        rc = sqlite3_bind_null(d->stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::QByteArray:
            kept = value.toByteArray();
            rc = sqlite3_bind_blob64(d->stmt, index, kept.constData(), sqlite3_uint64(kept.size()), SQLITE_STATIC);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Bool:
            kept.clear();
            rc = sqlite3_bind_int64(d->stmt, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            kept.clear();
            rc = sqlite3_bind_double(d->stmt, index, value.toDouble());
            break;
        default:
            kept = value.toString().toUtf8();
            rc = sqlite3_bind_text64(d->stmt, index, kept.constData(), sqlite3_uint64(kept.size()), SQLITE_STATIC,
                                     SQLITE_UTF8);
            break;
        }
    }
    if (rc != SQLITE_OK)
        return d->conn->engineError(rc);
    return {};
}

bool Statement::next()
{
    if (!d->stmt) {
        if (!d->error)
            d->error = ownError(NotOpen, QStringLiteral("no statement"));
        return false;
    }
    if (d->atEnd)
        return false;
    Connection::State *conn = d->conn;
    if (conn->options.hardened) {
        if (!d->running || d->eachStep)
            d->deadlineNs = nowNs() + qint64(conn->options.deadlineMs) * 1000000;
        d->running = true;
        conn->deadlineNs = d->deadlineNs;
        conn->interrupted = false;
    }
    const int rc = sqlite3_step(d->stmt);
    conn->deadlineNs = kNever;
    if (rc == SQLITE_ROW)
        return true;
    d->atEnd = true;
    if (rc != SQLITE_DONE) {
        d->error = conn->engineError(rc);
        // The error is kept here; the statement can be reset and run again.
        sqlite3_reset(d->stmt);
    }
    return false;
}

void Statement::setDeadlineEachStep(bool each)
{
    d->eachStep = each;
}

Error Statement::error() const
{
    return d->error;
}

bool Statement::atEnd() const
{
    return d->atEnd || !d->stmt;
}

void Statement::reset()
{
    if (!d->stmt)
        return;
    sqlite3_reset(d->stmt);
    d->atEnd = false;
    d->error = {};
    d->running = false;
}

int Statement::columnCount() const
{
    return d->stmt ? sqlite3_column_count(d->stmt) : 0;
}

QString Statement::columnName(int column) const
{
    return d->stmt ? QString::fromUtf8(sqlite3_column_name(d->stmt, column)) : QString();
}

QVariant Statement::value(int column) const
{
    if (!d->stmt || column < 0 || column >= columnCount())
        return {};
    sqlite3_stmt *s = d->stmt;
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(s, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, column));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(s, column)));
    }
    case SQLITE_BLOB:
        return QVariant(blob(column));
    default:
        return {};
    }
}

qint64 Statement::int64(int column) const
{
    return d->stmt ? sqlite3_column_int64(d->stmt, column) : 0;
}

bool Statement::isNull(int column) const
{
    return !d->stmt || sqlite3_column_type(d->stmt, column) == SQLITE_NULL;
}

QByteArray Statement::blob(int column) const
{
    if (!d->stmt)
        return {};
    const void *p = sqlite3_column_blob(d->stmt, column);
    const int n = sqlite3_column_bytes(d->stmt, column);
    return n > 0 ? QByteArray(static_cast<const char *>(p), n) : QByteArray("");
}

QByteArray Statement::blob(int column, const QByteArray &known) const
{
    if (!d->stmt || known.isEmpty())
        return blob(column);
    const void *p = sqlite3_column_blob(d->stmt, column);
    const int n = sqlite3_column_bytes(d->stmt, column);
    if (n == known.size() && std::memcmp(p, known.constData(), size_t(n)) == 0)
        return known;
    return blob(column);
}

QString Statement::sql() const
{
    return d->stmt ? QString::fromUtf8(sqlite3_sql(d->stmt)) : QString();
}

bool Statement::isReadOnly() const
{
    return d->stmt && sqlite3_stmt_readonly(d->stmt);
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Connection &connection)
    : m_connection(&connection)
{
    m_error = connection.exec(QStringLiteral("BEGIN"));
    m_active = !m_error;
}

Transaction::~Transaction()
{
    rollback();
}

Error Transaction::commit()
{
    if (m_error)
        return m_error;
    if (!m_active)
        return ownError(Misuse, QStringLiteral("no transaction to commit"));
    const Error e = m_connection->exec(QStringLiteral("COMMIT"));
    if (!e)
        m_active = false;
    return e;
}

Error Transaction::rollback()
{
    if (!m_active)
        return {};
    m_active = false;
    if (!m_connection->isOpen())
        return ownError(NotOpen, QStringLiteral("the connection was closed"));
    return m_connection->exec(QStringLiteral("ROLLBACK"));
}

} // namespace korvel::db
