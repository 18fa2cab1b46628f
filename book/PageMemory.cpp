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

#include <algorithm>

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

// A book as the memory knows it. The hash takes reading 8 MB, so it is
// only worked out when an entry has the book's path and size.
struct Identity {
    QString path;
    qint64 size = -1;
    bool valid() const { return size >= 0; }
    bool placed(const QJsonObject &entry) const
    {
        return entry.value(kPath).toString() == path && entry.value(kSize).toDouble(-1) == double(size);
    }
};

Identity place(const QString &bookPath)
{
    const QFileInfo info(bookPath);
    if (bookPath.isEmpty() || !info.isFile())
        return {};
    const QString canonical = info.canonicalFilePath();
    return {canonical.isEmpty() ? info.absoluteFilePath() : canonical, info.size()};
}

// The hash of the first and the last kHashedEnds bytes; empty when the
// book cannot be read (or is no longer the size it was placed at).
QString contentHash(const QString &bookPath, qint64 size)
{
    QFile f(bookPath);
    if (!f.open(QIODevice::ReadOnly) || f.size() != size)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (size <= 2 * kHashedEnds) {
        hash.addData(&f);
    } else {
        hash.addData(f.read(kHashedEnds));
        if (!f.seek(size - kHashedEnds))
            return {};
        hash.addData(f.read(kHashedEnds));
    }
    return QString::fromLatin1(hash.result().toHex());
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
    const Identity book = place(bookPath);
    if (!book.valid())
        return 0;
    QString hash;
    for (const QJsonValue &v : readEntries(m_filePath)) {
        const QJsonObject entry = v.toObject();
        if (!book.placed(entry))
            continue;
        if (hash.isEmpty())
            hash = contentHash(bookPath, book.size);
        if (hash.isEmpty())
            return 0;
        if (entry.value(kHash).toString() != hash)
            continue;
        const int page = entry.value(kPage).toInt(0);
        return page > 0 && page < pageCount ? page : 0;
    }
    return 0;
}

void PageMemory::remember(const QString &bookPath, int position)
{
    const Identity book = place(bookPath);
    if (!book.valid())
        return;
    const QJsonArray old = readEntries(m_filePath);
    // A book never left past its first page, and not known, costs no hash.
    const bool known = std::any_of(old.begin(), old.end(), [&](const QJsonValue &v) { return book.placed(v.toObject()); });
    if (position <= 0 && !known)
        return;
    const QString hash = contentHash(bookPath, book.size);
    if (hash.isEmpty())
        return;
    QJsonArray entries;
    if (position > 0)
        entries.append(QJsonObject{{kPath, book.path}, {kSize, double(book.size)}, {kHash, hash}, {kPage, position}});
    bool changed = position > 0;
    for (const QJsonValue &v : old) {
        const QJsonObject entry = v.toObject();
        if (book.placed(entry) && entry.value(kHash).toString() == hash) {
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
