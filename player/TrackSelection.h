#pragma once

#include "PlayerState.h"

namespace zuvelo {

// The two callers of the selection rule differ only in how an out-of-range a2 is first brought
// into range: start-up saturates it, the monitor wraps it.
enum class SelectionForm { Startup, Monitor };

// Chooses the track to start next from a1, b2, a2 and nmax: leaves it in a2 and a3 and clears a
// pending replay request. Reseeds the random generator from a high-resolution clock on every call.
void SelectNextTrack(PlayerState& state, SelectionForm form);

} // namespace zuvelo
