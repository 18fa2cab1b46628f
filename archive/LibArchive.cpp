#include "archive/LibArchive.h"

#include "platform/OnDemandLibrary.h"

namespace korvel::archive {

namespace {

platform::OnDemandCalls<LibArchive> s_libArchive(KORVEL_LIBARCHIVE_FILE, [](LibArchive &calls) {
    return platform::LibraryCalls{
#define KORVEL_LIBARCHIVE_ENTRY(name) {#name, reinterpret_cast<void **>(&calls.name)},
        KORVEL_LIBARCHIVE_CALLS(KORVEL_LIBARCHIVE_ENTRY)
#undef KORVEL_LIBARCHIVE_ENTRY
    };
});

} // namespace

QString loadLibArchive()
{
    return s_libArchive.load();
}

const LibArchive &libArchive()
{
    return s_libArchive.calls();
}

} // namespace korvel::archive
