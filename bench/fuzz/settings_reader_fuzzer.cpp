// Fuzzes the settings reader: each input becomes the whole of muini.dat in a scratch folder used
// as the program's folder, and readSettings reads it into a player state whose a1 and a2 are
// empty.
//
// Properties: a1 ends in 0..2 and a3 equals a2; when the file was not usable a2 stays empty; and
// whatever was read survives a round trip: writeSettings and a second readSettings give the same
// a1 and a2 (emptiness included).

#include "FuzzSupport.h"
#include "settings/SettingsFile.h"

#include <cstdint>
#include <memory>

using zuvelo::PlayerNumber;
using zuvelo::PlayerState;
using zuvelo::fuzz::fail;

namespace {

bool same(const PlayerNumber& a, const PlayerNumber& b)
{
    return a.isEmpty() == b.isEmpty() && a.value() == b.value();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The state holds the whole track table; made once, its numbers reset for every input.
    static const std::unique_ptr<PlayerState> state = [] {
        auto made = std::make_unique<PlayerState>();
        made->Pare = zuvelo::fuzz::scratchFolder();
        return made;
    }();
    state->a1.clear();
    state->a2.clear();
    state->a3 = 12345; // something readSettings must overwrite

    zuvelo::fuzz::writeFile(state->Pare + "/muini.dat", data, size);
    zuvelo::readSettings(*state);
    if (state->a1.isEmpty() || state->a1 < 0 || state->a1 > 2)
        fail("a1 outside 0..2 after reading");
    if (!same(state->a3, state->a2))
        fail("a3 differs from a2 after reading");

    const PlayerNumber a1 = state->a1, a2 = state->a2;
    if (const auto error = zuvelo::writeSettings(*state)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        fail("writing the settings failed");
    }
    state->a1.clear();
    state->a2.clear();
    zuvelo::readSettings(*state);
    if (!same(state->a1, a1) || !same(state->a2, a2))
        fail("settings changed in a write and read round trip");
    return 0;
}
