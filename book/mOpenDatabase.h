#pragma once

#include "platform/FileLock.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

struct sqlite3;

namespace korvel::book {

// The rows of one statement, read in full when it runs: exact record count,
// end and begin tests, move-next, fields by name (any letter case) or position.
// A Select recordset can also append a row to the table it reads from.
class Recordset {
public:
    bool IsOpen() const { return m_open; }
    int RecordCount() const { return int(m_rows.size()); }
    bool Eof() const { return !m_open || m_pos >= m_rows.size(); }
    bool Bof() const { return !m_open || m_pos < 0 || m_rows.isEmpty(); }
    void MoveFirst() { m_pos = 0; }
    void MoveNext() { if (m_pos < m_rows.size()) ++m_pos; }
    int ColumnCount() const { return int(m_columns.size()); }
    const QStringList &Columns() const { return m_columns; }

    // Null when the column is unknown, the recordset is at its end, or the value is null.
    QVariant Field(const QString &name) const;
    QVariant Field(int index) const;
    bool IsNull(const QString &name) const { return Field(name).isNull(); }
    QString Text(const QString &name) const; // null reads as ""

    // Appending: AddNew, SetField for each column, Update. Update inserts the
    // row into the table named after "From"; false when that fails.
    void AddNew();
    void SetField(const QString &name, const QVariant &value);
    bool Update();

    void Close();

private:
    friend class Channel;
    int columnIndex(const QString &name) const;

    bool m_open = false;
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
    qsizetype m_pos = 0;
    QString m_table;
    sqlite3 *m_db = nullptr;
    bool m_adding = false;
    QStringList m_newNames;
    QVector<QVariant> m_newValues;
};

// The binary stream: a byte block that can be written, saved, loaded and read.
class Stream {
public:
    int Type = 1; // 1 binary
    void Open() { m_open = true; m_data.clear(); }
    bool IsOpen() const { return m_open; }
    void Write(const QByteArray &bytes) { m_data += bytes; }
    // option 2: create or overwrite. Written whole, or not at all.
    bool SaveToFile(const QString &path, int option = 2) const;
    bool LoadFromFile(const QString &path);
    QByteArray Read(qint64 count = -1) const { return count < 0 ? m_data : m_data.left(count); }
    void Close() { m_open = false; m_data.clear(); }

private:
    bool m_open = false;
    QByteArray m_data;
};

// One connection with its exclusive hold on the file.
class Channel {
public:
    enum class Mode { ReadWrite, ReadOnly };
    ~Channel() { Close(); }

    bool Open(const QString &path, Mode mode);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    bool Run(const QString &sql, Recordset &rs);
    const QString &LastError() const { return m_error; }
    const QString &Path() const { return m_path; }

private:
    sqlite3 *m_db = nullptr;
    platform::FileLock m_lock;
    QString m_path;
    QString m_error;
};

// The one module that talks to the database engine. Two channels: the catalog
// channel (Conn, Rs, SQL, Stm) for Korvel.mdb and the book writers, and the
// book channel (BookConn, BookRs, BookSQL, BookStm) for the open book.
// Every open is exclusive: a file held by any channel, in this process or
// another, cannot be opened again until it is closed.
class mOpenDatabase {
public:
    explicit mOpenDatabase(QString appDir);
    mOpenDatabase(const mOpenDatabase &) = delete;
    mOpenDatabase &operator=(const mOpenDatabase &) = delete;

    const QString &AppDir() const { return m_appDir; }
    QString CatalogPath() const { return m_appDir + QStringLiteral("/Korvel.mdb"); }
    QString TemplatePath() const { return m_appDir + QStringLiteral("/Korvel.tmp!"); }

    // Catalog channel.
    bool OpenConn(const QString &path);
    void CloseConn();
    bool OpenRs(const QString &sql);
    void CloseRs();
    bool OpenCatalog();
    bool ConnOpen() const { return Conn.IsOpen(); }

    // Book channel. A book is only ever read through it, so the file is opened
    // read-only and immutable: reading never changes a byte of it, works on a
    // read-only file or folder, and leaves no journal files beside it.
    bool OpenBookConn(const QString &path);
    void CloseBookConn();
    bool OpenBookRs(const QString &sql);
    bool BookConnOpen() const { return BookConn.IsOpen(); }

    // Makes a new database file from the given statements (the build's tools
    // use it for the template and the catalog; the program never creates one).
    static bool CreateDatabaseFile(const QString &path, const QStringList &statements, QString *error = nullptr);

    // The connection text the original engine took; kept for reference in messages.
    static QString ConnectionString(const QString &path);

    Channel Conn;
    Recordset Rs;
    QString SQL;
    Stream Stm;

    Channel BookConn;
    Recordset BookRs;
    QString BookSQL;
    Stream BookStm;

private:
    QString m_appDir;
};

} // namespace korvel::book
