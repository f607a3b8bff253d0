#include "SdlLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

namespace zuvelo::mci {
namespace {

SdlFunctions g_functions;
bool g_loaded = false;

bool load()
{
    // The soname the build was configured against (set by mci/CMakeLists.txt).
    void* library = dlopen(ZUVELO_SDL2_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "mci: SDL could not be loaded (%s); without a sound server nothing can be played\n",
                     dlerror());
        return false;
    }
    SdlFunctions functions;
    bool complete = true;
#define ZUVELO_SDL_LOOKUP(name)                                                                                        \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, #name));                                \
    if (functions.name == nullptr) {                                                                                   \
        std::fprintf(stderr, "mci: SDL lacks %s; without a sound server nothing can be played\n", #name);              \
        complete = false;                                                                                              \
    }
    ZUVELO_SDL_FUNCTIONS(ZUVELO_SDL_LOOKUP)
#undef ZUVELO_SDL_LOOKUP
    if (!complete)
        return false; // kept mapped: unloading a half-used library gains nothing
    g_functions = functions;
    return true;
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
