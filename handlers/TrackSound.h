#pragma once

#include "player/PlayerState.h"

#include <string>

namespace zuvelo {

// The device name of track a2: a double quote, Pare, FileList(a2), a double quote. a2 must lie
// within 0 to kMaxTracks.
inline std::string soundFileOf(const PlayerState& state)
{
    return "\"" + state.Pare + trackEntry(state, state.a2.value()) + "\"";
}

} // namespace zuvelo
