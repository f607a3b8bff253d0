#pragma once

#include "RecordingMediaControl.h"

#include "handlers/PlayerHandlers.h"
#include "handlers/TrackSound.h"

#include <memory>

namespace zuvelo::testing {

using Texts = std::vector<std::string>;

// The program's handlers on a window's controls and the recording media seam, wired as the
// program wires them, with a monitor clock that stands still until a test moves it. Form is the
// real window (HandlerRig.h) or plain controls where there is none (plain/HandlerRig.h).
template <typename Form>
struct HandlerRigCore {
    std::unique_ptr<PlayerState> statePtr = std::make_unique<PlayerState>();
    PlayerState& state = *statePtr;
    RecordingMediaControl media;
    Form form;
    PlayerContext ctx{state, media, form};
    Texts listFailures;
    int endProgramCalls = 0;
    PlayerHandlers handlers{ctx, [this](const std::string& why) { listFailures.push_back(why); },
                            [this] { ++endProgramCalls; }};
    PlayerContext::Clock::time_point clock{};

    HandlerRigCore() { ctx.now = [this] { return clock; }; }

    static std::string device(int n) { return "\"/p/m/t" + std::to_string(n) + ".mp3\""; }

    // As start-up leaves things: tracks "/m/t1.mp3" .. in "/p" (names a test set stay), the mode
    // names in Combo1 showing mode, and track `track` shown, open and playing.
    void playing(int nmax, int mode, int track)
    {
        state.Pare = "/p";
        if (state.FileList.size() <= std::size_t(nmax))
            state.FileList.resize(std::size_t(nmax) + 1);
        for (std::size_t i = 1; i <= std::size_t(nmax); ++i)
            if (state.FileList[i].empty())
                state.FileList.set(i, "/m/t" + std::to_string(i) + ".mp3");
        state.nmax = nmax;
        state.ModeName = {"ランダム", "順番", "逆順"};
        for (int i = 0; i < 3; ++i)
            form.setCombo1ListEntry(i, state.ModeName[std::size_t(i)]);
        form.setCombo1Text(state.ModeName[std::size_t(mode)]);
        form.setHScroll1Value(track);
        state.a2 = state.a3 = track;
        state.SoundFile = soundFileOf(state);
        media.sendString(("Open " + state.SoundFile).c_str(), nullptr, 0);
        media.setMode("playing");
        media.clear();
    }

    // Runs one monitor tick; returns the number of the track it opened, or 0.
    int tick()
    {
        const int opens = media.count("Open ");
        handlers.timer1Timer();
        return media.count("Open ") > opens ? int(state.a2.value()) : 0;
    }
};

} // namespace zuvelo::testing
