#include "archive/ComicArchive.h"

#include "archive/ComicInfo.h"
#include "archive/LibArchive.h"
#include "archive/NaturalOrder.h"
#include "archive/PictureSource.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QHash>

#include "platform/NewFile.h"


#include <algorithm>
#include <memory>

namespace korvel::archive {

namespace {

const LibArchive &lib()
{
    return libArchive();
}

struct ReadDeleter {
    void operator()(struct archive *a) const { lib().archive_read_free(a); }
};
struct WriteDeleter {
    void operator()(struct archive *a) const { lib().archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry *e) const { lib().archive_entry_free(e); }
};

QString lastError(struct archive *a)
{
    const char *text = lib().archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QString();
}

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = lib().archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *raw = lib().archive_entry_pathname(entry))
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
        const la_ssize_t n = lib().archive_read_data(a, buffer, sizeof buffer);
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

namespace {

using ArchivePtr = std::unique_ptr<struct archive, ReadDeleter>;

// A zip ends in its directory; bytes that only begin like one (random
// flags would read as a password on every entry) are not an archive.
bool isCutOffZip(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.read(4) != QByteArray("PK\x03\x04", 4))
        return false;
    const qint64 tail = std::min<qint64>(f.size(), 65535 + 22);
    f.seek(f.size() - tail);
    return !f.read(tail).contains(QByteArray("PK\x05\x06", 4));
}

ArchiveError openArchive(const QString &path, ArchivePtr *out)
{
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !info.isReadable())
        return {ArchiveError::Unreadable, QString(), path};
    if (isCutOffZip(path))
        return {ArchiveError::Damaged, QString(), QStringLiteral("a zip archive without its directory")};
    if (const QString missing = loadLibArchive(); !missing.isEmpty())
        return {ArchiveError::Unreadable, QString(), missing};
    ArchivePtr a(lib().archive_read_new());
    lib().archive_read_support_filter_all(a.get());
    lib().archive_read_support_format_zip(a.get());
    lib().archive_read_support_format_rar(a.get());
    lib().archive_read_support_format_rar5(a.get());
    lib().archive_read_support_format_7zip(a.get());
    lib().archive_read_support_format_tar(a.get());
    lib().archive_read_support_format_gnutar(a.get());
    lib().archive_read_support_format_empty(a.get());
    if (lib().archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK)
        return {ArchiveError::Damaged, QString(), lastError(a.get())};
    *out = std::move(a);
    return {};
}

// The next entry's header: r is ARCHIVE_OK, ARCHIVE_EOF or the error.
ArchiveError nextHeader(struct archive *a, archive_entry **entry, bool *atEnd)
{
    for (;;) {
        const int r = lib().archive_read_next_header(a, entry);
        *atEnd = r == ARCHIVE_EOF;
        if (r == ARCHIVE_RETRY)
            continue;
        if (r < ARCHIVE_WARN) {
            if (lib().archive_read_has_encrypted_entries(a) > 0)
                return {ArchiveError::Encrypted, QString(), lastError(a)};
            return {ArchiveError::Damaged, QString(), lastError(a)};
        }
        return {};
    }
}

ArchiveError readFailure(struct archive *a, const QString &name)
{
    if (lib().archive_read_has_encrypted_entries(a) > 0)
        return {ArchiveError::Encrypted, name, lastError(a)};
    return {ArchiveError::Damaged, name, lastError(a)};
}

} // namespace

ArchiveError listComicArchive(const QString &path, ComicListing *listing, const ArchiveLimits &limits)
{
    ArchivePtr a;
    if (ArchiveError e = openArchive(path, &a))
        return e;
    ComicListing read;
    struct Page {
        QString name;
        int entry;
    };
    QVector<Page> pages;
    qint64 inflated = 0;
    for (int entries = 0;; ++entries) {
        archive_entry *entry = nullptr;
        bool atEnd = false;
        if (ArchiveError e = nextHeader(a.get(), &entry, &atEnd))
            return e;
        if (atEnd) {
            if (entries == 0)
                return {ArchiveError::Empty, QString(), QString()};
            break;
        }
        const QString name = entryName(entry);
        // A hard link in a tar has no bytes of its own; links are never followed.
        if (lib().archive_entry_filetype(entry) != AE_IFREG || lib().archive_entry_hardlink(entry)) {
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
        if (lib().archive_entry_is_encrypted(entry)) {
            if (isInfo) {
                read.skipped << name;
                continue;
            }
            return {ArchiveError::Encrypted, name, QString()};
        }
        const qint64 cap = isInfo ? limits.maxInfoBytes : limits.maxPageBytes;
        if (lib().archive_entry_size_is_set(entry) && lib().archive_entry_size(entry) > cap) {
            if (isInfo) {
                read.skipped << name;
                continue;
            }
            return {ArchiveError::TooLarge, name, QString()};
        }
        if (isPage) {
            // Read in the second pass, one at a time.
            pages.append({name, entries});
            continue;
        }
        QByteArray bytes;
        const ReadOutcome outcome = readData(a.get(), cap, &bytes, &inflated);
        if (outcome == ReadOutcome::Failed)
            return readFailure(a.get(), name);
        if (outcome == ReadOutcome::TooLarge) {
            read.skipped << name;
            continue;
        }
        // The one at the top wins over any in a sub-folder.
        if (!read.meta.found || !name.contains(QLatin1Char('/')))
            read.meta = parseComicInfo(bytes);
    }
    if (pages.isEmpty())
        return {ArchiveError::NoPictures, QString(), QString()};
    std::stable_sort(pages.begin(), pages.end(),
                     [](const Page &x, const Page &y) { return naturalLess(x.name, y.name); });
    for (const Page &p : pages) {
        read.pageNames << p.name;
        read.entryOfPage << p.entry;
    }
    *listing = std::move(read);
    return {};
}

ArchiveError readComicPages(const QString &path, const ComicListing &listing, const ComicPageSink &sink,
                            const ArchiveLimits &limits, qint64 *inflated)
{
    QHash<int, int> positionOfEntry;
    for (int i = 0; i < listing.entryOfPage.size(); ++i)
        positionOfEntry.insert(listing.entryOfPage.at(i), i);
    ArchivePtr a;
    if (ArchiveError e = openArchive(path, &a))
        return e;
    qint64 counted = 0;
    int read = 0;
    for (int entries = 0;; ++entries) {
        archive_entry *entry = nullptr;
        bool atEnd = false;
        if (ArchiveError e = nextHeader(a.get(), &entry, &atEnd))
            return e;
        if (atEnd)
            break;
        const auto at = positionOfEntry.constFind(entries);
        if (at == positionOfEntry.cend())
            continue;
        ArchivePage page;
        page.name = entryName(entry);
        const ReadOutcome outcome = readData(a.get(), limits.maxPageBytes, &page.bytes, &counted);
        if (inflated)
            *inflated = counted;
        if (outcome == ReadOutcome::Failed)
            return readFailure(a.get(), page.name);
        if (outcome == ReadOutcome::TooLarge)
            return {ArchiveError::TooLarge, page.name, QString()};
        page.format = pictureFormat(page.bytes);
        if (page.format.isEmpty())
            return {ArchiveError::BadPicture, page.name, QString()};
        if (ArchiveError e = sink(*at, page))
            return e;
        ++read;
    }
    if (read != listing.pageNames.size())
        return {ArchiveError::Damaged, QString(), QStringLiteral("the archive changed while it was read")};
    return {};
}

ArchiveError readComicArchive(const QString &path, ComicBook *book, const ArchiveLimits &limits,
                              const std::function<void(int)> &progress)
{
    ComicListing listing;
    if (ArchiveError e = listComicArchive(path, &listing, limits))
        return e;
    ComicBook read;
    read.pages.resize(listing.pageNames.size());
    read.meta = listing.meta;
    read.skipped = listing.skipped;
    read.unsafe = listing.unsafe;
    qint64 total = 0;
    int done = 0;
    const ArchiveError e = readComicPages(
        path, listing,
        [&](int position, const ArchivePage &page) -> ArchiveError {
            total += page.bytes.size();
            if (total > limits.maxTotalBytes)
                return {ArchiveError::TooLarge, QString(), QString()};
            read.pages[position] = page;
            if (progress)
                progress(++done);
            return {};
        },
        limits, &read.bytesInflated);
    if (e)
        return e;
    *book = std::move(read);
    return {};
}

ArchiveError writeCbz(const QString &target, int count, const CbzPageSource &source, const book::BookMeta &meta,
                      const std::function<void(int)> &progress, bool replace)
{
    if (const QString missing = loadLibArchive(); !missing.isEmpty())
        return {ArchiveError::WriteFailed, QString(), missing};
    platform::NewFile file(target);
    if (!file.open())
        return {ArchiveError::WriteFailed, QString(), file.errorString()};
    std::unique_ptr<struct archive, WriteDeleter> a(lib().archive_write_new());
    lib().archive_write_set_format_zip(a.get());
    // Pictures are compressed already: each page goes in exactly as it is.
    lib().archive_write_zip_set_compression_store(a.get());
    if (lib().archive_write_open_fd(a.get(), file.handle()) != ARCHIVE_OK)
        return {ArchiveError::WriteFailed, QString(), lastError(a.get())};

    const int digits = std::max(4, int(QString::number(count).size()));
    const time_t now = QDateTime::currentSecsSinceEpoch();
    auto add = [&](const QString &name, const QByteArray &bytes) -> ArchiveError {
        std::unique_ptr<archive_entry, EntryDeleter> entry(lib().archive_entry_new());
        lib().archive_entry_set_pathname_utf8(entry.get(), name.toUtf8().constData());
        lib().archive_entry_set_filetype(entry.get(), AE_IFREG);
        lib().archive_entry_set_perm(entry.get(), 0644);
        lib().archive_entry_set_size(entry.get(), bytes.size());
        lib().archive_entry_set_mtime(entry.get(), now, 0);
        if (lib().archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
            return {ArchiveError::WriteFailed, name, lastError(a.get())};
        if (!bytes.isEmpty() && lib().archive_write_data(a.get(), bytes.constData(), size_t(bytes.size())) != bytes.size())
            return {ArchiveError::WriteFailed, name, lastError(a.get())};
        return {};
    };
    int written = 0;
    for (int i = 0; i < count; ++i) {
        QString error;
        const QByteArray page = source(i, &error);
        if (!error.isEmpty())
            return {ArchiveError::WriteFailed, QString(), error};
        if (page.isEmpty())
            continue;
        const QString name = QStringLiteral("%1.%2")
                                 .arg(++written, digits, 10, QLatin1Char('0'))
                                 .arg(extensionFor(pictureFormat(page)));
        if (ArchiveError e = add(name, page))
            return e;
        if (progress)
            progress(written);
    }
    if (ArchiveError e = add(QStringLiteral("ComicInfo.xml"), comicInfoXml(meta, written)))
        return e;
    if (lib().archive_write_close(a.get()) != ARCHIVE_OK)
        return {ArchiveError::WriteFailed, QString(), lastError(a.get())};
    a.reset();
    if (!file.commit(replace))
        return {ArchiveError::WriteFailed, QString(), file.errorString()};
    return {};
}

ArchiveError writeCbz(const QString &target, const QVector<QByteArray> &pages, const book::BookMeta &meta,
                      const std::function<void(int)> &progress, bool replace)
{
    return writeCbz(
        target, int(pages.size()), [&](int i, QString *) { return pages.at(i); }, meta, progress, replace);
}

} // namespace korvel::archive

namespace korvel::archive {

ArchiveError unpackComicArchive(const QString &path, const QString &folder, QStringList *files)
{
    ComicListing listing;
    if (ArchiveError e = listComicArchive(path, &listing))
        return e;
    const int digits = std::max(4, int(QString::number(listing.pageNames.size()).size()));
    QStringList written(listing.pageNames.size());
    auto removeWritten = [&] {
        for (const QString &done : written) {
            if (!done.isEmpty())
                QFile::remove(done);
        }
    };
    // Each page goes to its file as it is read: one page in memory at a time.
    const ArchiveError e = readComicPages(path, listing, [&](int position, const ArchivePage &page) -> ArchiveError {
        const QString name = QStringLiteral("%1/%2.%3")
                                 .arg(folder)
                                 .arg(position + 1, digits, 10, QLatin1Char('0'))
                                 .arg(extensionFor(page.format));
        platform::NewFile file(name);
        if (!file.open() || !file.write(page.bytes) || !file.commit(false))
            return {ArchiveError::WriteFailed, page.name, file.errorString()};
        written[position] = name;
        return {};
    });
    if (e) {
        removeWritten();
        return e;
    }
    *files = written;
    return {};
}

} // namespace korvel::archive
