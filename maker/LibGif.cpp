#include "maker/LibGif.h"

#include "platform/OnDemandLibrary.h"

namespace korvel::maker {

namespace {

platform::OnDemandCalls<LibGif> s_libGif(KORVEL_LIBGIF_FILE, [](LibGif &calls) {
    return platform::LibraryCalls{
#define KORVEL_LIBGIF_ENTRY(name) {#name, reinterpret_cast<void **>(&calls.name)},
        KORVEL_LIBGIF_CALLS(KORVEL_LIBGIF_ENTRY)
#undef KORVEL_LIBGIF_ENTRY
    };
});

} // namespace

QString loadLibGif()
{
    return s_libGif.load();
}

const LibGif &libGif()
{
    return s_libGif.calls();
}

} // namespace korvel::maker
