#include "SdlLibrary.h"

#include "LibraryLoad.h"

#include <mutex>

namespace zuvelo::mci {
namespace {

SdlFunctions g_functions;
bool g_loaded = false;

bool load()
{
    LibraryLoad load("SDL", "without a sound server nothing can be played");
    void* library = load.open(ZUVELO_SDL2_SONAME); // set by mci/CMakeLists.txt
    SdlFunctions functions;
#define ZUVELO_SDL_LOOKUP(name) load.lookUp(library, #name, functions.name);
    ZUVELO_SDL_FUNCTIONS(ZUVELO_SDL_LOOKUP)
#undef ZUVELO_SDL_LOOKUP
    if (load.complete())
        g_functions = functions;
    return load.complete();
}

} // namespace

bool loadSdl()
{
    static std::once_flag once;
    std::call_once(once, [] { g_loaded = load(); });
    return g_loaded;
}

const SdlFunctions& sdl()
{
    return g_functions;
}

} // namespace zuvelo::mci
