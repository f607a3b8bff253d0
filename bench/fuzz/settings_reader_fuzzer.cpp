// Fuzzes the settings reader with each input as the whole muini.dat. Properties: a1 ends in 0..2,
// a3 equals a2, and what was read survives a write and a second read, emptiness included.

#include "FuzzSupport.h"
#include "settings/SettingsFile.h"

using namespace zuvelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto same = [](const PlayerNumber& a, const PlayerNumber& b) { return a.isEmpty() == b.isEmpty() && a == b; };
    static const auto state = std::make_unique<PlayerState>(); // its track table made once
    state->Pare = fuzz::scratchFolder();
    state->a1 = state->a2 = {};
    state->a3 = 12345; // something the read must overwrite
    fuzz::writeFile(state->Pare + "/muini.dat", data, size);
    readSettings(*state);
    if (state->a1.isEmpty() || state->a1 < 0 || state->a1 > 2 || !same(state->a3, state->a2))
        fuzz::fail("a1 outside 0..2, or a3 not a2, after reading");

    const PlayerNumber a1 = state->a1, a2 = state->a2;
    if (const auto error = writeSettings(*state))
        fuzz::fail(error->c_str());
    state->a1 = state->a2 = {};
    readSettings(*state);
    if (!same(state->a1, a1) || !same(state->a2, a2))
        fuzz::fail("settings changed in a write and read round trip");
    return 0;
}
