#include "FluidSynthLibrary.h"

#include "LibraryLoad.h"

namespace zuvelo::mci {
namespace {

LoadedTable<FluidSynthFunctions> g_table;

bool fill(FluidSynthFunctions& functions)
{
    LibraryLoad load("FluidSynth", "MIDI files cannot be played");
    void* library = load.open(ZUVELO_FLUIDSYNTH_SONAME); // set by mci/CMakeLists.txt
#define ZUVELO_FLUIDSYNTH_LOOKUP(name) load.lookUp(library, #name, functions.name);
    ZUVELO_FLUIDSYNTH_FUNCTIONS(ZUVELO_FLUIDSYNTH_LOOKUP)
#undef ZUVELO_FLUIDSYNTH_LOOKUP
    return load.complete();
}

} // namespace

bool loadFluidSynth()
{
    return g_table.load(&fill);
}

const FluidSynthFunctions& fluidSynth()
{
    return g_table.functions();
}

} // namespace zuvelo::mci
