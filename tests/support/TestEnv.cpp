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
#include <QtEndian>

#include <sqlite3.h>
#include <sys/resource.h>

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

namespace korvel::test {

namespace {

void be32(QByteArray *b, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        b->append(char(v >> s));
}

// The n low bytes of v, least significant first.
void le(QByteArray *b, quint32 v, int n)
{
    for (int i = 0; i < n; ++i)
        b->append(char(v >> (8 * i)));
}

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= uchar(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk;
    be32(&chunk, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    be32(&chunk, crc32Of(body));
    return chunk;
}

QByteArray pngHeader(int width, int height)
{
    QByteArray ihdr;
    be32(&ihdr, quint32(width));
    be32(&ihdr, quint32(height));
    ihdr += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", ihdr);
}

} // namespace

QByteArray claimingPicture(const char *format, int width, int height)
{
    const QByteArray f(format);
    if (f == "JPEG") {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QImage small(16, 16, QImage::Format_RGB32);
        small.fill(Qt::gray);
        writer.write(small);
        const int sof = int(bytes.indexOf("\xFF\xC2"));
        qToBigEndian<quint16>(quint16(height), bytes.data() + sof + 5);
        qToBigEndian<quint16>(quint16(width), bytes.data() + sof + 7);
        return bytes;
    }
    if (f == "BMP") {
        // The file and info headers of a 24-bit picture, each field {value, bytes}.
        const std::pair<quint32, int> fields[] = {{54 + quint32(width) * 3 * quint32(height), 4},
                                                  {0, 4}, {54, 4}, {40, 4}, {quint32(width), 4}, {quint32(height), 4},
                                                  {1, 2}, {24, 2}, {0, 4}, {0, 4}, {2835, 4}, {2835, 4}, {0, 4}, {0, 4}};
        QByteArray b("BM", 2);
        for (const auto &[value, bytes] : fields)
            le(&b, value, bytes);
        return b + QByteArray(100, '\0');
    }
    if (f == "TIFF") {
        const QByteArray strip = qCompress(QByteArray(64, '\0')).mid(4); // a zlib stream
        QByteArray t("II*\0", 4);
        le(&t, 8, 4);
        const struct {
            quint16 tag, type;
            quint32 value;
        } tags[] = {{256, 4, quint32(width)}, {257, 4, quint32(height)}, {258, 3, 8}, {259, 3, 8},
                    {262, 3, 2},  {273, 4, 0},    {277, 3, 3},    {278, 4, quint32(height)},
                    {279, 4, quint32(strip.size())}};
        const quint32 stripAt = 8 + 2 + 9 * 12 + 4;
        le(&t, 9, 2);
        for (const auto &tag : tags) {
            le(&t, tag.tag, 2);
            le(&t, tag.type, 2);
            le(&t, 1, 4);
            le(&t, tag.tag == 273 ? stripAt : tag.value, 4);
        }
        le(&t, 0, 4);
        return t + strip;
    }
    if (f == "GIF") {
        QByteArray g("GIF89a", 6);
        le(&g, quint32(width), 2);
        le(&g, quint32(height), 2);
        g += QByteArray("\x80\x00\x00", 3) + QByteArray(6, '\0'); // two colours
        g += QByteArray("\x2C\x00\x00\x00\x00", 5);
        le(&g, quint32(width), 2);
        le(&g, quint32(height), 2);
        g += QByteArray("\x00\x02\x02\x4C\x01\x00\x3B", 7);
        return g;
    }
    // PNG
    return pngHeader(width, height) + pngChunk("IDAT", qCompress(QByteArray(256, '\0')).mid(4))
        + pngChunk("IEND", {});
}

QByteArray svgReading(const QString &path)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                          "width=\"64\" height=\"64\"><image xlink:href=\"%1\" href=\"%1\" width=\"64\" "
                          "height=\"64\"/></svg>")
        .arg(path)
        .toUtf8();
}

QByteArray pngHeadedZeros(int size)
{
    QByteArray bytes = pngHeader(1000, 1000);
    be32(&bytes, quint32(size - bytes.size() - 8)); // the picture data, all zeros
    bytes.append("IDAT");
    bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

qint64 childrenPeakMegabytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace korvel::test
