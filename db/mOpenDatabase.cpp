#include "db/mOpenDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace korvel::db {

namespace {

QString quoteIdentifier(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

} // namespace

// ---------------------------------------------------------------- Recordset

bool Recordset::open(Connection &connection, const QString &sql)
{
    Close();
    m_statement = connection.prepare(sql, &m_error);
    if (m_error)
        return false;
    // The form moves through the rows at its own pace; only the engine's
    // time for each row counts against the deadline.
    m_statement.setDeadlineEachStep(true);
    m_connection = &connection;
    const int columns = m_statement.columnCount();
    for (int i = 0; i < columns; ++i)
        m_columns << m_statement.columnName(i);
    if (columns == 0 || !m_statement.isReadOnly()) {
        // A command: it runs now, in full, and leaves an empty recordset.
        while (m_statement.next()) {
        }
        m_error = m_statement.error();
        if (m_error) {
            Close();
            return false;
        }
        m_statement = Statement();
        m_count = 0;
        m_open = true;
        return true;
    }
    step();
    if (m_error) {
        Close();
        return false;
    }
    m_empty = !m_onRow;
    m_open = true;
    return true;
}

void Recordset::step()
{
    m_onRow = m_statement.next();
    if (!m_onRow) {
        m_error = m_statement.error();
        // Run from its first row to its end: now the count is known for free.
        if (!m_error && m_count < 0 && !m_appended)
            m_count = m_rowIndex;
    }
}

int Recordset::RecordCount() const
{
    if (!m_open)
        return 0;
    if (m_count >= 0)
        return m_count;
    // The engine counts the rows of the same statement; it need not read
    // their columns, so a list of large pictures costs no more than its keys.
    QString inner = m_statement.sql().trimmed();
    while (inner.endsWith(QLatin1Char(';')))
        inner.chop(1);
    Error error;
    Statement count = m_connection->prepare(QStringLiteral("SELECT count(*) FROM (\n") + inner + QStringLiteral("\n)"),
                                            &error);
    if (!error) {
        if (count.next())
            m_count = int(count.int64(0));
        else
            error = count.error();
    } else {
        // Not a query that can be nested (a pragma): run it again to count.
        Statement again = m_connection->prepare(inner, &error);
        int n = 0;
        while (!error && again.next())
            ++n;
        error = error ? error : again.error();
        if (!error)
            m_count = n;
    }
    if (error)
        m_error = error;
    return m_count;
}

void Recordset::MoveFirst()
{
    if (!m_open || !m_statement.isValid() || (m_rowIndex == 0 && (m_onRow || m_empty)))
        return;
    m_statement.reset();
    m_rowIndex = 0;
    m_appended = false;
    step();
    m_empty = !m_onRow;
}

void Recordset::MoveNext()
{
    if (Eof())
        return;
    ++m_rowIndex;
    step();
}

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
    return m_statement.value(index);
}

QString Recordset::Text(const QString &name) const
{
    return Text(columnIndex(name));
}

QString Recordset::Text(int index) const
{
    const QVariant v = Field(index);
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

bool Recordset::Update()
{
    if (!m_adding || !m_open || !m_statement.isValid() || m_newNames.isEmpty()) {
        m_error = Error{Misuse, QStringLiteral("no new row to store")};
        return false;
    }
    m_adding = false;
    // The table and each column's name in it come from the statement itself,
    // so aliases, joins and odd spellings cannot send the row elsewhere.
    QString table;
    QStringList targets;
    QStringList marks;
    for (const QString &name : std::as_const(m_newNames)) {
        const int c = columnIndex(name);
        const QString from = c < 0 ? QString() : m_statement.tableOf(c);
        if (from.isEmpty()) {
            m_error = Error{Misuse, QStringLiteral("%1 is not a table column of \"%2\"").arg(name, m_statement.sql())};
            return false;
        }
        if (!table.isEmpty() && from != table) {
            m_error = Error{Misuse, QStringLiteral("the new row's fields come from %1 and %2").arg(table, from)};
            return false;
        }
        table = from;
        targets << quoteIdentifier(m_statement.originOf(c));
        marks << QStringLiteral("?");
    }
    m_error = m_connection->exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoteIdentifier(table), targets.join(QLatin1Char(',')),
                                          marks.join(QLatin1Char(','))),
                                 QVariantList(m_newValues.begin(), m_newValues.end()));
    // The next count includes the new row; the rows being read may not.
    m_count = -1;
    m_appended = true;
    return !m_error;
}

void Recordset::Close()
{
    m_statement = Statement();
    m_connection = nullptr;
    m_open = false;
    m_onRow = false;
    m_empty = true;
    m_rowIndex = 0;
    m_count = -1;
    m_appended = false;
    m_columns.clear();
    m_adding = false;
    m_newNames.clear();
    m_newValues.clear();
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

// ---------------------------------------------------------------- mOpenDatabase

mOpenDatabase::mOpenDatabase(QString appDir)
    : m_appDir(std::move(appDir))
{
}

bool mOpenDatabase::OpenConn(const QString &path)
{
    Rs.Close();
    m_error = Conn.open(path, Access::ReadWrite);
    return !m_error;
}

void mOpenDatabase::CloseConn()
{
    Rs.Close();
    Conn.close();
}

bool mOpenDatabase::OpenRs(const QString &sql)
{
    SQL = sql;
    const bool ok = Rs.open(Conn, sql);
    m_error = Rs.LastError();
    return ok;
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
    m_error = BookConn.open(path, Access::ReadOnly);
    return !m_error;
}

void mOpenDatabase::CloseBookConn()
{
    BookRs.Close();
    BookConn.close();
}

bool mOpenDatabase::OpenBookRs(const QString &sql)
{
    BookSQL = sql;
    const bool ok = BookRs.open(BookConn, sql);
    m_error = BookRs.LastError();
    return ok;
}

} // namespace korvel::db
