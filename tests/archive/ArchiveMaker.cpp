#include "tests/archive/ArchiveMaker.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

namespace korvel::test {

bool writeArchive(const QString &path, const char *format, const QList<ArchiveEntry> &entries, const char *passphrase)
{
    struct archive *a = archive_write_new();
    bool ok = archive_write_set_format_by_name(a, format) == ARCHIVE_OK;
    if (ok && qstrcmp(format, "zip") == 0)
        ok = archive_write_set_format_option(a, "zip", "compression-level", "1") == ARCHIVE_OK;
    if (ok && passphrase) {
        ok = archive_write_set_options(a, "zip:encryption=zipcrypt") == ARCHIVE_OK
            && archive_write_set_passphrase(a, passphrase) == ARCHIVE_OK;
    }
    ok = ok && archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    static const QByteArray zeros(1 << 20, '\0');
    for (const ArchiveEntry &e : entries) {
        if (!ok)
            break;
        archive_entry *entry = archive_entry_new();
        archive_entry_copy_pathname(entry, e.name.toUtf8().constData());
        if (!e.hardLinkTo.isEmpty())
            archive_entry_copy_hardlink(entry, e.hardLinkTo.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, e.bytes.size() + e.zeros);
        ok = archive_write_header(a, entry) == ARCHIVE_OK;
        if (ok && !e.bytes.isEmpty())
            ok = archive_write_data(a, e.bytes.constData(), size_t(e.bytes.size())) == e.bytes.size();
        for (qint64 left = e.zeros; ok && left > 0; left -= zeros.size()) {
            const qint64 n = std::min<qint64>(left, zeros.size());
            ok = archive_write_data(a, zeros.constData(), size_t(n)) == n;
        }
        archive_entry_free(entry);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace korvel::test
