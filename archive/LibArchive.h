#pragma once

#include <QString>

#include <archive.h>
#include <archive_entry.h>

namespace korvel::archive {

// The libarchive calls the comic archives make, opened the first time an
// archive is read or written (see platform/OnDemandLibrary.h).
#define KORVEL_LIBARCHIVE_CALLS(X)                                                                                      \
    X(archive_error_string)                                                                                             \
    X(archive_read_new)                                                                                                 \
    X(archive_read_free)                                                                                                \
    X(archive_read_support_filter_all)                                                                                  \
    X(archive_read_support_format_zip)                                                                                  \
    X(archive_read_support_format_rar)                                                                                  \
    X(archive_read_support_format_rar5)                                                                                 \
    X(archive_read_support_format_7zip)                                                                                 \
    X(archive_read_support_format_tar)                                                                                  \
    X(archive_read_support_format_gnutar)                                                                               \
    X(archive_read_support_format_empty)                                                                                \
    X(archive_read_open_filename)                                                                                       \
    X(archive_read_next_header)                                                                                         \
    X(archive_read_has_encrypted_entries)                                                                               \
    X(archive_read_data)                                                                                                \
    X(archive_write_new)                                                                                                \
    X(archive_write_free)                                                                                               \
    X(archive_write_set_format_zip)                                                                                     \
    X(archive_write_zip_set_compression_store)                                                                          \
    X(archive_write_open_fd)                                                                                            \
    X(archive_write_header)                                                                                             \
    X(archive_write_data)                                                                                               \
    X(archive_write_close)                                                                                              \
    X(archive_entry_new)                                                                                                \
    X(archive_entry_free)                                                                                               \
    X(archive_entry_pathname)                                                                                           \
    X(archive_entry_pathname_utf8)                                                                                      \
    X(archive_entry_filetype)                                                                                           \
    X(archive_entry_hardlink)                                                                                           \
    X(archive_entry_is_encrypted)                                                                                       \
    X(archive_entry_size_is_set)                                                                                        \
    X(archive_entry_size)                                                                                               \
    X(archive_entry_set_pathname_utf8)                                                                                  \
    X(archive_entry_set_filetype)                                                                                       \
    X(archive_entry_set_perm)                                                                                           \
    X(archive_entry_set_size)                                                                                           \
    X(archive_entry_set_mtime)

struct LibArchive {
#define KORVEL_LIBARCHIVE_POINTER(name) decltype(&::name) name = nullptr;
    KORVEL_LIBARCHIVE_CALLS(KORVEL_LIBARCHIVE_POINTER)
#undef KORVEL_LIBARCHIVE_POINTER
};

// Opens libarchive once; empty when its calls are ready, else why they are not.
QString loadLibArchive();
// The calls; only after loadLibArchive() came back empty.
const LibArchive &libArchive();

} // namespace korvel::archive
