#pragma once

#include "FailedTracks.h"
#include "FormControls.h"
#include "player/MediaControl.h"
#include "player/PlayerState.h"

#include <chrono>
#include <functional>
#include <string>

namespace zuvelo {

// What every handler works on: the player state, the media seam and the window's controls, plus
// the little the program keeps beside the player state. Lives as long as the window.
struct PlayerContext {
    using Clock = std::chrono::steady_clock;
    // After every track has failed, the monitor tries at most one track this often.
    static constexpr std::chrono::seconds kSlowRetryInterval{5};

    PlayerContext(PlayerState& s, MediaControl& m, FormControls& f, std::function<void()> yield = {})
        : state(s),
          media(m),
          form(f),
          yieldToEvents(std::move(yield))
    {
    }

    PlayerState& state;
    MediaControl& media;
    FormControls& form;
    std::function<void()> yieldToEvents; // runs pending window events and timer ticks once

    // The tracks that could not be opened since one last played. The monitor passes over such
    // tracks until every track has failed; from then on it tries one only every
    // kSlowRetryInterval, so a folder of bad files costs next to nothing while a library that
    // comes back (a stick plugged in again) plays again by itself. A track that plays and any
    // button or menu item clear the record.
    FailedTracks failedTracks;
    // When the monitor last started a track while every track had failed (or when the last one
    // failed): the slow pace counts from here.
    Clock::time_point lastSlowTry{};
    // The monitor's clock; tests put their own in its place.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };

    // The reply to the monitor's last "status ... mode" query: what the desktop's media service
    // reports as the playback status.
    std::string lastStatusReply{};

    // Set by shut-down; from then on no handler does anything.
    bool ending = false;
};

} // namespace zuvelo
