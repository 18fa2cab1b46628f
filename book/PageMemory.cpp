#include "book/PageMemory.h"

#include "platform/Settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace korvel::book {

namespace {

// Far above what kLimit entries take: anything larger is not ours to read.
constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;
// How much of a book's beginning and of its end are hashed to tell it from
// another of the same size: a smaller book is hashed whole. Books made from
// one template begin alike, and their pictures follow.
constexpr qint64 kHashedEnds = 4 * 1024 * 1024;

const QString kPath = QStringLiteral("path");
const QString kSize = QStringLiteral("size");
const QString kPage = QStringLiteral("page");
const QString kHash = QStringLiteral("hash");

struct Identity {
    QString path;
    qint64 size = -1;
    QString hash; // of the first and the last kHashedEnds bytes
    bool valid() const { return size >= 0; }
};

Identity identify(const QString &bookPath)
{
    const QFileInfo info(bookPath);
    QFile f(bookPath);
    if (bookPath.isEmpty() || !info.isFile() || !f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const qint64 size = f.size();
    if (size <= 2 * kHashedEnds) {
        hash.addData(&f);
    } else {
        hash.addData(f.read(kHashedEnds));
        if (!f.seek(size - kHashedEnds))
            return {};
        hash.addData(f.read(kHashedEnds));
    }
    const QString canonical = info.canonicalFilePath();
    return {canonical.isEmpty() ? info.absoluteFilePath() : canonical, size, QString::fromLatin1(hash.result().toHex())};
}

bool matches(const QJsonObject &entry, const Identity &book)
{
    return entry.value(kPath).toString() == book.path && entry.value(kSize).toDouble(-1) == double(book.size)
        && entry.value(kHash).toString() == book.hash;
}

// The entries as stored, newest first; a missing or damaged file holds none.
QJsonArray readEntries(const QString &filePath)
{
    QFile f(filePath);
    if (f.size() > kMaxFileSize || !f.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(kMaxFileSize));
    return doc.isArray() ? doc.array() : QJsonArray();
}

} // namespace

PageMemory::PageMemory(QString filePath)
    : m_filePath(std::move(filePath))
{
}

QString PageMemory::defaultPath()
{
    return QFileInfo(platform::IniSettingsStore::defaultPath()).absolutePath() + QStringLiteral("/LastPages.json");
}

int PageMemory::recall(const QString &bookPath, int pageCount) const
{
    const Identity book = identify(bookPath);
    if (!book.valid())
        return 0;
    for (const QJsonValue &v : readEntries(m_filePath)) {
        const QJsonObject entry = v.toObject();
        if (!matches(entry, book))
            continue;
        const int page = entry.value(kPage).toInt(0);
        return page > 0 && page < pageCount ? page : 0;
    }
    return 0;
}

void PageMemory::remember(const QString &bookPath, int position)
{
    const Identity book = identify(bookPath);
    if (!book.valid())
        return;
    const QJsonArray old = readEntries(m_filePath);
    QJsonArray entries;
    if (position > 0)
        entries.append(QJsonObject{{kPath, book.path}, {kSize, double(book.size)}, {kHash, book.hash}, {kPage, position}});
    bool changed = position > 0;
    for (const QJsonValue &v : old) {
        const QJsonObject entry = v.toObject();
        if (matches(entry, book)) {
            changed = true;
            continue;
        }
        if (entries.size() < kLimit && entry.value(kPath).isString())
            entries.append(entry);
    }
    if (!changed)
        return;
    // Written whole beside the old file and put in its place only when complete.
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSaveFile f(m_filePath);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(QJsonDocument(entries).toJson(QJsonDocument::Compact));
    f.commit();
}

} // namespace korvel::book
