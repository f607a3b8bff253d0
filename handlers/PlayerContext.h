#pragma once

#include "FormControls.h"
#include "player/MediaControl.h"
#include "player/PlayerState.h"

#include <functional>
#include <string>

namespace zuvelo {

// What every handler works on: the player state, the media seam and the window's controls, plus
// the little the program keeps beside the player state. Lives as long as the window.
struct PlayerContext {
    PlayerState& state;
    MediaControl& media;
    FormControls& form;
    std::function<void()> yieldToEvents; // runs pending window events and timer ticks once

    // Tracks passed over in a row because their status query said the name is not open. When it
    // reaches nmax every track has failed, and the monitor stops passing over until the user
    // presses a transport button or picks a mode menu item, so a folder of bad files cannot spin.
    std::int64_t unopenedInRow = 0;

    // The reply to the monitor's last "status ... mode" query: what the desktop's media service
    // reports as the playback status.
    std::string lastStatusReply{};

    // Set by shut-down; from then on no handler does anything.
    bool ending = false;
};

} // namespace zuvelo
