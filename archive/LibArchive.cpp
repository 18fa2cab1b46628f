#include "archive/LibArchive.h"

#include "platform/OnDemandLibrary.h"

#include <mutex>

namespace korvel::archive {

namespace {

LibArchive s_calls;
QString s_failure;
std::once_flag s_loaded;

} // namespace

QString loadLibArchive()
{
    std::call_once(s_loaded, [] {
        s_failure = platform::openLibrary(KORVEL_LIBARCHIVE_FILE, {
#define KORVEL_LIBARCHIVE_ENTRY(name) {#name, reinterpret_cast<void **>(&s_calls.name)},
                                                                     KORVEL_LIBARCHIVE_CALLS(KORVEL_LIBARCHIVE_ENTRY)
#undef KORVEL_LIBARCHIVE_ENTRY
                                                                 });
    });
    return s_failure;
}

const LibArchive &libArchive()
{
    return s_calls;
}

} // namespace korvel::archive
