#include "book/mOpenDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace korvel::book {

// ---------------------------------------------------------------- Recordset

int Recordset::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::Field(const QString &name) const
{
    return Field(columnIndex(name));
}

QVariant Recordset::Field(int index) const
{
    if (Eof() || index < 0 || index >= m_columns.size())
        return {};
    return m_rows.at(m_pos).at(index);
}

QString Recordset::Text(const QString &name) const
{
    const QVariant v = Field(name);
    return v.isNull() ? QString() : v.toString();
}

void Recordset::AddNew()
{
    m_adding = true;
    m_newNames.clear();
    m_newValues.clear();
}

void Recordset::SetField(const QString &name, const QVariant &value)
{
    if (!m_adding)
        return;
    for (int i = 0; i < m_newNames.size(); ++i) {
        if (m_newNames.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            m_newValues[i] = value;
            return;
        }
    }
    m_newNames << name;
    m_newValues << value;
}

static QString quoteIdentifier(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

static bool bindValue(sqlite3_stmt *stmt, int i, const QVariant &v)
{
    if (v.isNull())
        return sqlite3_bind_null(stmt, i) == SQLITE_OK;
    switch (v.typeId()) {
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_bind_blob64(stmt, i, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return sqlite3_bind_int64(stmt, i, v.toLongLong()) == SQLITE_OK;
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, i, v.toDouble()) == SQLITE_OK;
    default: {
        const QByteArray t = v.toString().toUtf8();
        return sqlite3_bind_text64(stmt, i, t.constData(), sqlite3_uint64(t.size()), SQLITE_TRANSIENT, SQLITE_UTF8)
            == SQLITE_OK;
    }
    }
}

bool Recordset::Update()
{
    if (!m_adding || !m_db || m_table.isEmpty() || m_newNames.isEmpty())
        return false;
    m_adding = false;
    QStringList names;
    QStringList marks;
    for (const QString &n : std::as_const(m_newNames)) {
        names << quoteIdentifier(n);
        marks << QStringLiteral("?");
    }
    const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(quoteIdentifier(m_table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
                               .toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    bool ok = true;
    for (int i = 0; i < m_newValues.size() && ok; ++i)
        ok = bindValue(stmt, i + 1, m_newValues.at(i));
    ok = ok && sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    if (ok) {
        QVector<QVariant> row(m_columns.size());
        for (int i = 0; i < m_newNames.size(); ++i) {
            const int c = columnIndex(m_newNames.at(i));
            if (c >= 0)
                row[c] = m_newValues.at(i);
        }
        m_rows << row;
    }
    return ok;
}

void Recordset::Close()
{
    m_open = false;
    m_columns.clear();
    m_rows.clear();
    m_pos = 0;
    m_table.clear();
    m_db = nullptr;
    m_adding = false;
}

// ---------------------------------------------------------------- Stream

bool Stream::SaveToFile(const QString &path, int option) const
{
    if (option != 2 && QFileInfo::exists(path))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(m_data) != m_data.size())
        return false;
    return f.commit();
}

bool Stream::LoadFromFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    m_data = f.readAll();
    return f.error() == QFileDevice::NoError;
}

// ---------------------------------------------------------------- Channel

namespace {

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
bool looksLikeWholeDatabase(int fd, QString *why)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *why = QStringLiteral("cannot read the file");
        return false;
    }
    unsigned char header[100];
    if (st.st_size < qint64(sizeof header) || ::pread(fd, header, sizeof header, 0) != ssize_t(sizeof header)) {
        *why = QStringLiteral("file too short to be a database");
        return false;
    }
    if (memcmp(header, "SQLite format 3", 16) != 0) {
        *why = QStringLiteral("not a database file");
        return false;
    }
    quint32 pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) {
        *why = QStringLiteral("damaged database header");
        return false;
    }
    const quint32 pages = bigEndian(header + 28, 4);
    const bool countValid = pages > 0 && bigEndian(header + 24, 4) == bigEndian(header + 92, 4);
    if (countValid && quint64(st.st_size) < quint64(pages) * pageSize) {
        *why = QStringLiteral("database file is truncated");
        return false;
    }
    return true;
}

QString uriFor(const QString &path, bool immutable)
{
    // Every byte outside the unreserved set and "/" is percent-encoded, so
    // blanks, quotes, "?", "#" and Chinese names all reach the file intact.
    const QByteArray encoded = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toPercentEncoding("/");
    QString uri = QStringLiteral("file://") + QString::fromLatin1(encoded);
    uri += immutable ? QStringLiteral("?mode=ro&immutable=1") : QStringLiteral("?mode=rw");
    return uri;
}

QVariant columnValue(sqlite3_stmt *stmt, int i)
{
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i)),
                                          sqlite3_column_bytes(stmt, i)));
    case SQLITE_BLOB: {
        const void *p = sqlite3_column_blob(stmt, i);
        return QVariant(QByteArray(static_cast<const char *>(p), sqlite3_column_bytes(stmt, i)));
    }
    default:
        return {};
    }
}

} // namespace

bool Channel::Open(const QString &path, Mode mode)
{
    Close();
    m_error.clear();
    if (path.isEmpty()) {
        m_error = QStringLiteral("no file name");
        return false;
    }
    switch (m_lock.acquire(path)) {
    case platform::FileLock::Result::Ok:
        break;
    case platform::FileLock::Result::Missing:
        m_error = QStringLiteral("file not found");
        return false;
    case platform::FileLock::Result::NotAFile:
        m_error = QStringLiteral("not a file");
        return false;
    case platform::FileLock::Result::Held:
        m_error = QStringLiteral("file is already open");
        return false;
    case platform::FileLock::Result::Unreadable:
        m_error = QStringLiteral("file cannot be read");
        return false;
    }
    if (!looksLikeWholeDatabase(m_lock.fd(), &m_error)) {
        m_lock.release();
        return false;
    }

    const bool readOnly = mode == Mode::ReadOnly || !QFileInfo(path).isWritable()
        || ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) != 0;
    const QByteArray uri = uriFor(path, mode == Mode::ReadOnly).toUtf8();
    const int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX
        | (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    QByteArray finalUri = uri;
    if (readOnly && mode == Mode::ReadWrite)
        finalUri.replace("?mode=rw", "?mode=ro");
    if (sqlite3_open_v2(finalUri.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("cannot open");
        sqlite3_close(m_db);
        m_db = nullptr;
        m_lock.release();
        return false;
    }
    sqlite3_busy_timeout(m_db, 30000);
    // The schema must be readable; a damaged file fails here rather than later.
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        Close();
        return false;
    }
    m_path = path;
    return true;
}

void Channel::Close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_lock.release();
    m_path.clear();
}

bool Channel::Run(const QString &sql, Recordset &rs)
{
    rs.Close();
    if (!m_db) {
        m_error = QStringLiteral("no open connection");
        return false;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, &tail) != SQLITE_OK || !stmt) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(stmt);
        return false;
    }
    // One statement per call: anything after it is refused, never run.
    if (tail && QByteArray(tail).trimmed().size() > 0 && QByteArray(tail).trimmed() != ";") {
        m_error = QStringLiteral("more than one statement");
        sqlite3_finalize(stmt);
        return false;
    }
    const int columns = sqlite3_column_count(stmt);
    for (int i = 0; i < columns; ++i)
        rs.m_columns << QString::fromUtf8(sqlite3_column_name(stmt, i));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVector<QVariant> row(columns);
        for (int i = 0; i < columns; ++i)
            row[i] = columnValue(stmt, i);
        rs.m_rows << std::move(row);
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        rs.Close();
        return false;
    }
    static const QRegularExpression from(QStringLiteral("^\\s*select\\b.*?\\bfrom\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)"),
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::DotMatchesEverythingOption);
    const auto m = from.match(sql);
    if (m.hasMatch())
        rs.m_table = m.captured(1);
    rs.m_db = m_db;
    rs.m_open = true;
    rs.m_pos = 0;
    return true;
}

// ---------------------------------------------------------------- mOpenDatabase

mOpenDatabase::mOpenDatabase(QString appDir)
    : m_appDir(std::move(appDir))
{
}

bool mOpenDatabase::OpenConn(const QString &path)
{
    Rs.Close();
    return Conn.Open(path, Channel::Mode::ReadWrite);
}

void mOpenDatabase::CloseConn()
{
    Rs.Close();
    Conn.Close();
}

bool mOpenDatabase::OpenRs(const QString &sql)
{
    SQL = sql;
    return Conn.Run(sql, Rs);
}

void mOpenDatabase::CloseRs()
{
    Rs.Close();
}

bool mOpenDatabase::OpenCatalog()
{
    CloseConn();
    return OpenConn(CatalogPath());
}

bool mOpenDatabase::OpenBookConn(const QString &path)
{
    BookRs.Close();
    return BookConn.Open(path, Channel::Mode::ReadOnly);
}

void mOpenDatabase::CloseBookConn()
{
    BookRs.Close();
    BookConn.Close();
}

bool mOpenDatabase::OpenBookRs(const QString &sql)
{
    BookSQL = sql;
    return BookConn.Run(sql, BookRs);
}

bool mOpenDatabase::CreateDatabaseFile(const QString &path, const QStringList &statements, QString *error)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    const QByteArray native = QFile::encodeName(path);
    if (sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("cannot create");
        sqlite3_close(db);
        return false;
    }
    bool ok = true;
    for (const QString &s : statements) {
        char *msg = nullptr;
        if (sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
            if (error)
                *error = QString::fromUtf8(msg ? msg : "statement failed") + QStringLiteral(": ") + s;
            ok = false;
            sqlite3_free(msg);
            break;
        }
    }
    sqlite3_close(db);
    if (!ok)
        QFile::remove(path);
    return ok;
}

QString mOpenDatabase::ConnectionString(const QString &path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=;Data Source=") + path
        + QStringLiteral(";Mode=Share Deny Read|Share Deny Write;Persist Security Info=True");
}

} // namespace korvel::book
