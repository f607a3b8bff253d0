#include "FfmpegLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

namespace zuvelo::mci {
namespace {

FfmpegFunctions g_functions;
bool g_loaded = false;

// The library by its soname (the one the build was configured against, set by mci/CMakeLists.txt);
// null, said on stderr, when it cannot be loaded.
void* openLibrary(const char* soname)
{
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        std::fprintf(stderr, "mci: FFmpeg could not be loaded (%s); files that need it cannot be played\n", dlerror());
    return library;
}

bool load()
{
    // In the order they depend on each other; a missing one ends the load.
    void* avutil = openLibrary(ZUVELO_AVUTIL_SONAME);
    void* swresample = avutil != nullptr ? openLibrary(ZUVELO_SWRESAMPLE_SONAME) : nullptr;
    void* avcodec = swresample != nullptr ? openLibrary(ZUVELO_AVCODEC_SONAME) : nullptr;
    void* avformat = avcodec != nullptr ? openLibrary(ZUVELO_AVFORMAT_SONAME) : nullptr;
    if (avformat == nullptr)
        return false; // those that loaded stay mapped: unloading them gains nothing
    FfmpegFunctions functions;
    bool complete = true;
#define ZUVELO_FFMPEG_LOOKUP(library, name)                                                                            \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, #name));                                \
    if (functions.name == nullptr) {                                                                                   \
        std::fprintf(stderr, "mci: FFmpeg lacks %s; files that need it cannot be played\n", #name);                    \
        complete = false;                                                                                              \
    }
#define ZUVELO_AVUTIL_LOOKUP(name) ZUVELO_FFMPEG_LOOKUP(avutil, name)
#define ZUVELO_SWRESAMPLE_LOOKUP(name) ZUVELO_FFMPEG_LOOKUP(swresample, name)
#define ZUVELO_AVCODEC_LOOKUP(name) ZUVELO_FFMPEG_LOOKUP(avcodec, name)
#define ZUVELO_AVFORMAT_LOOKUP(name) ZUVELO_FFMPEG_LOOKUP(avformat, name)
    ZUVELO_AVUTIL_FUNCTIONS(ZUVELO_AVUTIL_LOOKUP)
    ZUVELO_SWRESAMPLE_FUNCTIONS(ZUVELO_SWRESAMPLE_LOOKUP)
    ZUVELO_AVCODEC_FUNCTIONS(ZUVELO_AVCODEC_LOOKUP)
    ZUVELO_AVFORMAT_FUNCTIONS(ZUVELO_AVFORMAT_LOOKUP)
#undef ZUVELO_AVUTIL_LOOKUP
#undef ZUVELO_SWRESAMPLE_LOOKUP
#undef ZUVELO_AVCODEC_LOOKUP
#undef ZUVELO_AVFORMAT_LOOKUP
#undef ZUVELO_FFMPEG_LOOKUP
    if (!complete)
        return false;
    g_functions = functions;
    return true;
}

} // namespace

bool loadFfmpeg()
{
    static std::once_flag once;
    std::call_once(once, [] { g_loaded = load(); });
    return g_loaded;
}

const FfmpegFunctions& ffmpeg()
{
    return g_functions;
}

} // namespace zuvelo::mci
