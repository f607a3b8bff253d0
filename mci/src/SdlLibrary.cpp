#include "SdlLibrary.h"

#include "LibraryLoad.h"

namespace zuvelo::mci {
namespace {

LoadedTable<SdlFunctions> g_table;

bool fill(SdlFunctions& functions)
{
    LibraryLoad load("SDL", "without a sound server nothing can be played");
    void* library = load.open(ZUVELO_SDL2_SONAME); // set by mci/CMakeLists.txt
#define ZUVELO_SDL_LOOKUP(name) load.lookUp(library, #name, functions.name);
    ZUVELO_SDL_FUNCTIONS(ZUVELO_SDL_LOOKUP)
#undef ZUVELO_SDL_LOOKUP
    return load.complete();
}

} // namespace

bool loadSdl()
{
    return g_table.load(&fill);
}

const SdlFunctions& sdl()
{
    return g_table.functions();
}

} // namespace zuvelo::mci
