#include "maker/LibGif.h"

#include "platform/OnDemandLibrary.h"

#include <mutex>

namespace korvel::maker {

namespace {

LibGif s_calls;
QString s_failure;
std::once_flag s_loaded;

} // namespace

QString loadLibGif()
{
    std::call_once(s_loaded, [] {
        s_failure = platform::openLibrary(KORVEL_LIBGIF_FILE, {
#define KORVEL_LIBGIF_ENTRY(name) {#name, reinterpret_cast<void **>(&s_calls.name)},
                                                                 KORVEL_LIBGIF_CALLS(KORVEL_LIBGIF_ENTRY)
#undef KORVEL_LIBGIF_ENTRY
                                                             });
    });
    return s_failure;
}

const LibGif &libGif()
{
    return s_calls;
}

} // namespace korvel::maker
