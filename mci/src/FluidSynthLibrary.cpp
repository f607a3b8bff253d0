#include "FluidSynthLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

namespace zuvelo::mci {
namespace {

FluidSynthFunctions g_functions;
bool g_loaded = false;

bool load()
{
    // The soname the build was configured against (set by mci/CMakeLists.txt).
    void* library = dlopen(ZUVELO_FLUIDSYNTH_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "mci: FluidSynth could not be loaded (%s); MIDI files cannot be played\n", dlerror());
        return false;
    }
    FluidSynthFunctions functions;
    bool complete = true;
#define ZUVELO_FLUIDSYNTH_LOOKUP(name)                                                                                 \
    functions.name = reinterpret_cast<decltype(functions.name)>(dlsym(library, #name));                                \
    if (functions.name == nullptr) {                                                                                   \
        std::fprintf(stderr, "mci: FluidSynth lacks %s; MIDI files cannot be played\n", #name);                        \
        complete = false;                                                                                              \
    }
    ZUVELO_FLUIDSYNTH_FUNCTIONS(ZUVELO_FLUIDSYNTH_LOOKUP)
#undef ZUVELO_FLUIDSYNTH_LOOKUP
    if (!complete)
        return false; // kept mapped: unloading a half-used library gains nothing
    g_functions = functions;
    return true;
}

} // namespace

bool loadFluidSynth()
{
    static std::once_flag once;
    std::call_once(once, [] { g_loaded = load(); });
    return g_loaded;
}

const FluidSynthFunctions& fluidSynth()
{
    return g_functions;
}

} // namespace zuvelo::mci
