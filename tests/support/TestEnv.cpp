#include "tests/support/TestEnv.h"

#include "book/BookFile.h"
#include "book/mOpenDatabase.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

namespace korvel::test {

TestEnv::TestEnv()
{
    QDir().mkpath(appDir());
    QDir().mkpath(configHome());
    QDir().mkpath(dataHome());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    book::mOpenDatabase::CreateDatabaseFile(appDir() + QStringLiteral("/Korvel.tmp!"), book::templateSchema());
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

bool makeBook(const QString &appDir, const QString &path, const QList<TestPage> &pages)
{
    if (!book::mOpenDatabase::CreateDatabaseFile(path, book::templateSchema()))
        return false;
    book::mOpenDatabase db(appDir);
    if (!db.OpenConn(path))
        return false;
    db.OpenRs(QStringLiteral("Insert Into books (booknumber,title) Values (1,'test')"));
    bool ok = true;
    for (const TestPage &page : pages) {
        ok = ok && db.OpenRs(QStringLiteral("Select pagenumber,image From pages"));
        db.Rs.AddNew();
        db.Rs.SetField(QStringLiteral("pagenumber"), page.number);
        db.Rs.SetField(QStringLiteral("image"), page.bytes ? QVariant(*page.bytes) : QVariant());
        ok = ok && db.Rs.Update();
    }
    db.CloseConn();
    return ok;
}

bool makeSimpleBook(const QString &appDir, const QString &path, int count, int width, int height, const char *format)
{
    QList<TestPage> pages;
    for (int i = 0; i < count; ++i)
        pages << TestPage{i, pictureBytes(width, height, format, QColor::fromHsv((i * 40) % 360, 160, 220))};
    return makeBook(appDir, path, pages);
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

} // namespace korvel::test
