#include "archive/ComicArchive.h"

#include "archive/ComicInfo.h"
#include "archive/NaturalOrder.h"
#include "archive/PictureSource.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>

namespace korvel::archive {

namespace {

struct ReadDeleter {
    void operator()(struct archive *a) const { archive_read_free(a); }
};
struct WriteDeleter {
    void operator()(struct archive *a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry *e) const { archive_entry_free(e); }
};

QString lastError(struct archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QString();
}

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *raw = archive_entry_pathname(entry))
        return QString::fromLocal8Bit(raw);
    return QString();
}

// Pictures that are not pages: the resource forks macOS packs beside every
// file, and hidden files.
bool isJunk(const QString &name)
{
    const QString base = name.section(QLatin1Char('/'), -1);
    return name.startsWith(QLatin1String("__MACOSX/")) || base.startsWith(QLatin1Char('.'));
}

// Reads the current entry's data, stopping as soon as it passes cap.
enum class ReadOutcome { Done, TooLarge, Failed };
ReadOutcome readData(struct archive *a, qint64 cap, QByteArray *out, qint64 *inflated)
{
    out->clear();
    char buffer[1 << 16];
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
        if (n == 0)
            return ReadOutcome::Done;
        if (n < 0) {
            if (n == ARCHIVE_WARN)
                continue;
            return ReadOutcome::Failed;
        }
        *inflated += n;
        if (out->size() + n > cap)
            return ReadOutcome::TooLarge;
        out->append(buffer, int(n));
    }
}

} // namespace

QStringList comicArchivePatterns()
{
    return {QStringLiteral("*.cbz"), QStringLiteral("*.cbr"), QStringLiteral("*.cb7"), QStringLiteral("*.cbt"),
            QStringLiteral("*.zip"), QStringLiteral("*.rar"), QStringLiteral("*.7z"),  QStringLiteral("*.tar")};
}

bool isComicArchiveName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const QString &pattern : comicArchivePatterns()) {
        if (pattern.mid(2) == suffix)
            return true;
    }
    return false;
}

bool isSafeEntryName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return false;
    // A drive letter is as absolute as a leading slash, wherever the archive was made.
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return false;
    for (const QString &part : name.split(QRegularExpression(QStringLiteral("[/\\\\]")))) {
        if (part == QLatin1String(".."))
            return false;
    }
    return true;
}

ArchiveError readComicArchive(const QString &path, ComicBook *book, const ArchiveLimits &limits,
                              const std::function<void(int)> &progress)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !info.isReadable())
        return {ArchiveError::Unreadable, QString(), path};

    std::unique_ptr<struct archive, ReadDeleter> a(archive_read_new());
    archive_read_support_filter_all(a.get());
    archive_read_support_format_zip(a.get());
    archive_read_support_format_rar(a.get());
    archive_read_support_format_rar5(a.get());
    archive_read_support_format_7zip(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_format_gnutar(a.get());
    archive_read_support_format_empty(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK)
        return {ArchiveError::Damaged, QString(), lastError(a.get())};

    ComicBook read;
    qint64 total = 0;
    int entries = 0;
    for (;;) {
        archive_entry *entry = nullptr;
        const int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF)
            break;
        if (r == ARCHIVE_RETRY)
            continue;
        if (r < ARCHIVE_WARN) {
            if (archive_read_has_encrypted_entries(a.get()) > 0)
                return {ArchiveError::Encrypted, QString(), lastError(a.get())};
            return {ArchiveError::Damaged, QString(), lastError(a.get())};
        }
        ++entries;
        const QString name = entryName(entry);
        // A hard link in a tar has no bytes of its own; links are never followed.
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry)) {
            read.skipped << name;
            continue;
        }
        if (!isSafeEntryName(name)) {
            read.unsafe << name;
            continue;
        }
        const bool isInfo = name.section(QLatin1Char('/'), -1).compare(QLatin1String("ComicInfo.xml"),
                                                                       Qt::CaseInsensitive) == 0;
        const bool isPage = hasPictureName(name) && !isJunk(name);
        if (!isInfo && !isPage) {
            // Left unread: skipping needs no inflating where the archive
            // records where the next entry starts.
            read.skipped << name;
            continue;
        }
        if (archive_entry_is_encrypted(entry)) {
            if (isInfo) {
                read.skipped << name;
                continue;
            }
            return {ArchiveError::Encrypted, name, QString()};
        }
        const qint64 cap = isInfo ? limits.maxInfoBytes : limits.maxPageBytes;
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > cap) {
            if (isInfo) {
                read.skipped << name;
                continue;
            }
            return {ArchiveError::TooLarge, name, QString()};
        }
        QByteArray bytes;
        const ReadOutcome outcome = readData(a.get(), cap, &bytes, &read.bytesInflated);
        if (outcome == ReadOutcome::Failed) {
            if (archive_read_has_encrypted_entries(a.get()) > 0)
                return {ArchiveError::Encrypted, name, lastError(a.get())};
            return {ArchiveError::Damaged, name, lastError(a.get())};
        }
        if (outcome == ReadOutcome::TooLarge) {
            if (isInfo) {
                read.skipped << name;
                continue;
            }
            return {ArchiveError::TooLarge, name, QString()};
        }
        if (isInfo) {
            // The one at the top wins over any in a sub-folder.
            if (!read.meta.found || !name.contains(QLatin1Char('/')))
                read.meta = parseComicInfo(bytes);
            continue;
        }
        total += bytes.size();
        if (total > limits.maxTotalBytes)
            return {ArchiveError::TooLarge, QString(), QString()};
        const QByteArray format = pictureFormat(bytes);
        if (format.isEmpty())
            return {ArchiveError::BadPicture, name, QString()};
        read.pages.append({name, std::move(bytes), format});
        if (progress)
            progress(int(read.pages.size()));
    }
    if (entries == 0)
        return {ArchiveError::Empty, QString(), QString()};
    if (read.pages.isEmpty())
        return {ArchiveError::NoPictures, QString(), QString()};
    std::stable_sort(read.pages.begin(), read.pages.end(),
                     [](const ArchivePage &x, const ArchivePage &y) { return naturalLess(x.name, y.name); });
    *book = std::move(read);
    return {};
}

ArchiveError writeCbz(const QString &target, const QVector<QByteArray> &pages, const book::BookMeta &meta,
                      const std::function<void(int)> &progress)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return {ArchiveError::WriteFailed, QString(), file.errorString()};
    std::unique_ptr<struct archive, WriteDeleter> a(archive_write_new());
    archive_write_set_format_zip(a.get());
    // Pictures are compressed already: each page goes in exactly as it is.
    archive_write_zip_set_compression_store(a.get());
    if (archive_write_open_fd(a.get(), file.handle()) != ARCHIVE_OK)
        return {ArchiveError::WriteFailed, QString(), lastError(a.get())};

    const int digits = std::max(4, int(QString::number(pages.size()).size()));
    const time_t now = QDateTime::currentSecsSinceEpoch();
    auto add = [&](const QString &name, const QByteArray &bytes) -> ArchiveError {
        std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
        archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), bytes.size());
        archive_entry_set_mtime(entry.get(), now, 0);
        if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
            return {ArchiveError::WriteFailed, name, lastError(a.get())};
        if (!bytes.isEmpty() && archive_write_data(a.get(), bytes.constData(), size_t(bytes.size())) != bytes.size())
            return {ArchiveError::WriteFailed, name, lastError(a.get())};
        return {};
    };
    for (int i = 0; i < pages.size(); ++i) {
        const QString name = QStringLiteral("%1.%2")
                                 .arg(i + 1, digits, 10, QLatin1Char('0'))
                                 .arg(extensionFor(pictureFormat(pages.at(i))));
        if (ArchiveError e = add(name, pages.at(i)))
            return e;
        if (progress)
            progress(i + 1);
    }
    if (ArchiveError e = add(QStringLiteral("ComicInfo.xml"), comicInfoXml(meta, int(pages.size()))))
        return e;
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return {ArchiveError::WriteFailed, QString(), lastError(a.get())};
    a.reset();
    if (!file.commit())
        return {ArchiveError::WriteFailed, QString(), file.errorString()};
    return {};
}

} // namespace korvel::archive

namespace korvel::archive {

ArchiveError unpackComicArchive(const QString &path, const QString &folder, QStringList *files)
{
    ComicBook comic;
    if (ArchiveError e = readComicArchive(path, &comic))
        return e;
    const int digits = std::max(4, int(QString::number(comic.pages.size()).size()));
    QStringList written;
    for (int i = 0; i < comic.pages.size(); ++i) {
        const ArchivePage &page = comic.pages.at(i);
        const QString name = QStringLiteral("%1/%2.%3")
                                 .arg(folder)
                                 .arg(i + 1, digits, 10, QLatin1Char('0'))
                                 .arg(extensionFor(page.format));
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(page.bytes) != page.bytes.size() || !file.commit()) {
            for (const QString &done : written)
                QFile::remove(done);
            return {ArchiveError::WriteFailed, page.name, file.errorString()};
        }
        written << name;
    }
    *files = written;
    return {};
}

} // namespace korvel::archive
