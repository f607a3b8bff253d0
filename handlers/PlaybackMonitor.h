#pragma once

#include "handlers/PlayerContext.h"

namespace zuvelo {

// One tick of Timer1, every 100 ms: yields once to pending events, takes the mode from Combo1,
// queries the current track's status, shows it in the caption, and when the track has stopped
// while not paused, closes it and opens, shows, rewinds and plays the next one.
//
// A track whose status query fails because it is not open (it could not be opened) is passed over
// as if it had stopped, and so is every next track that cannot be opened, within one tick as long
// as a small time budget lasts and in the ticks after it, until every track number has failed
// since a track last played; from then on one track is tried every
// PlayerContext::kSlowRetryInterval, in the mode's order. In random mode the tracks after a
// failure follow it in order, so a round ends within nmax opens.
void timer1Timer(PlayerContext& ctx);

} // namespace zuvelo
