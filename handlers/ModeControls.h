#pragma once

#include "PlayerContext.h"

namespace zuvelo {

// The handlers behind the mode box Combo1, the mode menu items ra, jun and gya, the scroll bar
// HScroll1 and the track-number box Text1. The menu items stop the current track so that the
// monitor's next tick starts one in the new mode; the others only change state or the display.
// User-interface thread only; none yields. The change handlers run nested inside the setter that
// changed their control (see FormControls.h).

void combo1Change(PlayerContext& ctx);   // a1 = index of the mode name Combo1 shows, if any
void raClick(PlayerContext& ctx);        // random play
void junClick(PlayerContext& ctx);       // play in order from the first track
void gyaClick(PlayerContext& ctx);       // play in reverse from the last track
void hScroll1Change(PlayerContext& ctx); // a2 = the track picked on the scroll bar
void text1Change(PlayerContext& ctx);    // Text1 always shows a2

// Sets a1 to i for each mode name equal to Combo1's text, read anew for each i; a text that is
// none of the names leaves a1 alone. Shared by the Combo1 change handler and the monitor.
void takeModeFromCombo1(PlayerContext& ctx);

} // namespace zuvelo
