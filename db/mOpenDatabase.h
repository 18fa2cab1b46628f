#pragma once

#include "db/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace korvel::db {

// The rows of one statement, read one at a time as the caller moves on: a
// long result is never held in memory. Fields by name (any letter case) or
// position; end and begin tests; an exact record count, counted by the
// engine without reading the rows. A recordset over a table can also append
// a row to that table.
class Recordset {
public:
    bool IsOpen() const { return m_open; }
    // The number of rows; -1 when counting failed (LastError says why).
    int RecordCount() const;
    bool Eof() const { return !m_open || !m_onRow; }
    // True when there is no row at all.
    bool Bof() const { return !m_open || m_empty; }
    void MoveFirst();
    void MoveNext();
    int ColumnCount() const { return int(m_columns.size()); }
    const QStringList &Columns() const { return m_columns; }

    // Null when the column is unknown, the recordset is at its end, or the value is null.
    QVariant Field(const QString &name) const;
    QVariant Field(int index) const;
    bool IsNull(const QString &name) const { return Field(name).isNull(); }
    QString Text(const QString &name) const; // null reads as ""
    QString Text(int index) const;

    // Appending: AddNew, SetField for columns of the recordset, Update.
    // Update inserts the row into the table those columns are read from (the
    // engine tells which) and fails when they do not all come from one table.
    // The new row is not added to the rows being read.
    void AddNew();
    void SetField(const QString &name, const QVariant &value);
    bool Update();

    void Close();
    const Error &LastError() const { return m_error; }

private:
    friend class mOpenDatabase;
    bool open(Connection &connection, const QString &sql);
    void step();
    int columnIndex(const QString &name) const;

    Connection *m_connection = nullptr;
    Statement m_statement;
    bool m_open = false;
    bool m_onRow = false;
    bool m_empty = true;
    int m_rowIndex = 0;
    mutable int m_count = -1;
    bool m_appended = false;
    QStringList m_columns;
    bool m_adding = false;
    QStringList m_newNames;
    QVector<QVariant> m_newValues;
    mutable Error m_error;
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

// The program's two database channels, by the names its forms use: the
// catalog channel (Conn, Rs, SQL, Stm) for Korvel.mdb, and the book channel
// (BookConn, BookRs, BookSQL, BookStm) for the open book. Statements are
// plain text. Every open is exclusive: a file held by any connection, in this
// process or another, cannot be opened again until it is closed.
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
    bool ConnOpen() const { return Conn.isOpen(); }

    // Book channel. A book is only ever read through it, so the file is opened
    // read-only and immutable.
    bool OpenBookConn(const QString &path);
    void CloseBookConn();
    bool OpenBookRs(const QString &sql);
    bool BookConnOpen() const { return BookConn.isOpen(); }

    // Why the last open or statement on either channel failed.
    const Error &LastError() const { return m_error; }

    Connection Conn;
    Recordset Rs;
    QString SQL;
    Stream Stm;

    Connection BookConn;
    Recordset BookRs;
    QString BookSQL;
    Stream BookStm;

private:
    QString m_appDir;
    Error m_error;
};

} // namespace korvel::db
