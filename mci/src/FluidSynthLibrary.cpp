#include "FluidSynthLibrary.h"

#include "LibraryLoad.h"

#include <mutex>

namespace zuvelo::mci {
namespace {

FluidSynthFunctions g_functions;
bool g_loaded = false;

bool load()
{
    LibraryLoad load("FluidSynth", "MIDI files cannot be played");
    void* library = load.open(ZUVELO_FLUIDSYNTH_SONAME); // set by mci/CMakeLists.txt
    FluidSynthFunctions functions;
#define ZUVELO_FLUIDSYNTH_LOOKUP(name) load.lookUp(library, #name, functions.name);
    ZUVELO_FLUIDSYNTH_FUNCTIONS(ZUVELO_FLUIDSYNTH_LOOKUP)
#undef ZUVELO_FLUIDSYNTH_LOOKUP
    if (load.complete())
        g_functions = functions;
    return load.complete();
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
