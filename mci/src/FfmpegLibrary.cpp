#include "FfmpegLibrary.h"

#include "LibraryLoad.h"

namespace zuvelo::mci {
namespace {

LoadedTable<FfmpegFunctions> g_table;

bool fill(FfmpegFunctions& functions)
{
    LibraryLoad load("FFmpeg", "files that need it cannot be played");
    // In the order they depend on each other (sonames set by mci/CMakeLists.txt).
    void* avutil = load.open(ZUVELO_AVUTIL_SONAME);
    void* swresample = load.open(ZUVELO_SWRESAMPLE_SONAME);
    void* avcodec = load.open(ZUVELO_AVCODEC_SONAME);
    void* avformat = load.open(ZUVELO_AVFORMAT_SONAME);
#define ZUVELO_AVUTIL_LOOKUP(name) load.lookUp(avutil, #name, functions.name);
#define ZUVELO_SWRESAMPLE_LOOKUP(name) load.lookUp(swresample, #name, functions.name);
#define ZUVELO_AVCODEC_LOOKUP(name) load.lookUp(avcodec, #name, functions.name);
#define ZUVELO_AVFORMAT_LOOKUP(name) load.lookUp(avformat, #name, functions.name);
    ZUVELO_AVUTIL_FUNCTIONS(ZUVELO_AVUTIL_LOOKUP)
    ZUVELO_SWRESAMPLE_FUNCTIONS(ZUVELO_SWRESAMPLE_LOOKUP)
    ZUVELO_AVCODEC_FUNCTIONS(ZUVELO_AVCODEC_LOOKUP)
    ZUVELO_AVFORMAT_FUNCTIONS(ZUVELO_AVFORMAT_LOOKUP)
#undef ZUVELO_AVUTIL_LOOKUP
#undef ZUVELO_SWRESAMPLE_LOOKUP
#undef ZUVELO_AVCODEC_LOOKUP
#undef ZUVELO_AVFORMAT_LOOKUP
    return load.complete();
}

} // namespace

bool loadFfmpeg()
{
    return g_table.load(&fill);
}

const FfmpegFunctions& ffmpeg()
{
    return g_table.functions();
}

} // namespace zuvelo::mci
