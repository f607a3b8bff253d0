#pragma once

#include "player/PlayerState.h"

#include <optional>
#include <string>

namespace zuvelo {

// Reads state.Pare + "/muini.dat" into a1 and a2, clamps a1 to 0..2 and sets a3 = a2.
// A missing file, or one that is not two whole numbers, counts as absent: a1 = 0, a2 unchanged.
void readSettings(PlayerState& state);

// Writes a1 and a2 to state.Pare + "/muini.dat" through a temporary file renamed over the old one,
// so the last good settings survive a crash at any moment. Returns a description of the failure,
// or nothing when the file was written.
std::optional<std::string> writeSettings(const PlayerState& state);

} // namespace zuvelo
