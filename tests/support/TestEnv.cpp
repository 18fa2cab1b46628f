#include "tests/support/TestEnv.h"

#include "book/BookFile.h"
#include "book/BookWriter.h"
#include "catalog/Schema.h"
#include "db/Connection.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <sqlite3.h>

namespace korvel::test {

TestEnv::TestEnv()
{
    QDir().mkpath(appDir());
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    db::Connection::createFile(appDir() + QStringLiteral("/Korvel.tmp!"), book::templateSchema());
    db::Connection::createFile(appDir() + QStringLiteral("/Korvel.mdb"), catalog::catalogSchema(QStringLiteral("连环画")));
    QFile top(appDir() + QStringLiteral("/top.html"));
    if (top.open(QIODevice::WriteOnly))
        top.write("<html><body>offline</body></html>");
    m_settings = std::make_unique<platform::IniSettingsStore>(configHome() + QStringLiteral("/Korvel/Korvel.conf"));
}

std::unique_ptr<platform::IniSettingsStore> TestEnv::reopenSettings() const
{
    return std::make_unique<platform::IniSettingsStore>(configHome() + QStringLiteral("/Korvel/Korvel.conf"));
}

QByteArray pictureBytes(int width, int height, const char *format, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(0, 0, width, height);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

bool makeBook(const QString &, const QString &path, const QList<TestPage> &pages)
{
    if (db::Connection::createFile(path, book::templateSchema()))
        return false;
    db::Connection book;
    if (book.open(path, db::Access::ReadWrite))
        return false;
    db::Transaction transaction(book);
    bool ok = !book.exec(QStringLiteral("Insert Into books (booknumber,title) Values (1,'test')"));
    db::Statement insert = book.prepare(QStringLiteral("INSERT INTO pages (pagenumber, image) VALUES (?, ?)"));
    for (const TestPage &page : pages) {
        ok = ok && !insert.bind(1, page.number) && !insert.bind(2, page.bytes ? QVariant(*page.bytes) : QVariant());
        ok = ok && !insert.next() && !insert.error();
        insert.reset();
    }
    return ok && !transaction.commit();
}

bool makeSimpleBook(const QString &appDir, const QString &path, int count, int width, int height, const char *format)
{
    book::BookWriter writer(appDir + QStringLiteral("/Korvel.tmp!"), path);
    book::BookMeta meta;
    meta.title = QStringLiteral("test");
    bool ok = !writer.begin(meta);
    for (int i = 0; ok && i < count; ++i)
        ok = !writer.addPage(pictureBytes(width, height, format, QColor::fromHsv((i * 40) % 360, 160, 220)));
    return ok && !writer.commit();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray fileHash(const QString &path)
{
    return QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha256).toHex();
}

bool writeRawDatabase(const QString &path, const QStringList &statements, bool fresh)
{
    if (fresh)
        QFile::remove(path);
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK;
    for (const QString &s : statements) {
        char *message = nullptr;
        ok = ok && sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK;
        if (message)
            qWarning("%s: %s", message, qPrintable(s));
        sqlite3_free(message);
    }
    sqlite3_close(db);
    return ok;
}

qint64 peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return -1;
}

} // namespace korvel::test
