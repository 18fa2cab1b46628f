#pragma once

#include <QString>

#include <gif_lib.h>

namespace korvel::maker {

// The giflib calls the GIF writer makes, opened the first time a GIF is
// written (see platform/OnDemandLibrary.h).
#define KORVEL_LIBGIF_CALLS(X)                                                                                          \
    X(GifErrorString)                                                                                                   \
    X(GifQuantizeBuffer)                                                                                                \
    X(GifMakeMapObject)                                                                                                 \
    X(GifFreeMapObject)                                                                                                 \
    X(EGifOpen)                                                                                                         \
    X(EGifPutScreenDesc)                                                                                                \
    X(EGifPutImageDesc)                                                                                                 \
    X(EGifPutLine)                                                                                                      \
    X(EGifCloseFile)

struct LibGif {
#define KORVEL_LIBGIF_POINTER(name) decltype(&::name) name = nullptr;
    KORVEL_LIBGIF_CALLS(KORVEL_LIBGIF_POINTER)
#undef KORVEL_LIBGIF_POINTER
};

// Opens giflib once; empty when its calls are ready, else why they are not.
QString loadLibGif();
// The calls; only after loadLibGif() came back empty.
const LibGif &libGif();

} // namespace korvel::maker
