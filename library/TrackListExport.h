#pragma once

#include "player/PlayerState.h"

#include <optional>
#include <string>

namespace zuvelo {

// Writes list.csv in state.Pare: one line per track 1..nmax, replacing any earlier file.
// Returns a description of the failure, or nothing when the file was written.
std::optional<std::string> writeTrackList(const PlayerState& state);

} // namespace zuvelo
