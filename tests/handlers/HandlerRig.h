#pragma once

#include "FakeForm.h"
#include "RecordingMediaControl.h"

#include "handlers/PlayerHandlers.h"
#include "handlers/PlayerContext.h"
#include "handlers/TrackSound.h"

#include <memory>
#include <string>
#include <vector>

namespace zuvelo::testing {

// A media stand-in whose status follows the commands, as a device's would: "play " makes it
// "playing", "pause " "paused", "stop ", "Open " and "seek " "stopped".
class ReactiveMedia : public RecordingMediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override
    {
        const unsigned long result = RecordingMediaControl::sendString(command, reply, replyCapacity);
        const std::string text = command;
        if (result == 0) {
            if (text.starts_with("play "))
                setMode("playing");
            else if (text.starts_with("pause "))
                setMode("paused");
            else if (text.starts_with("stop ") || text.starts_with("Open ") || text.starts_with("seek "))
                setMode("stopped");
        }
        return result;
    }
};

// The program's handlers on a fake window and a recording media seam: everything a handler test
// needs, wired as the real program wires it.
struct HandlerRig {
    std::unique_ptr<PlayerState> statePtr = std::make_unique<PlayerState>();
    PlayerState& state = *statePtr;
    ReactiveMedia media;
    FakeForm form;
    PlayerContext ctx{state, media, form, {}};
    std::vector<std::string> listFailures;
    int endProgramCalls = 0;
    PlayerHandlers handlers{ctx, [this](const std::string& why) { listFailures.push_back(why); },
                            [this] { ++endProgramCalls; }};

    // The monitor's clock: it stands still until a test moves it.
    PlayerContext::Clock::time_point clock{};

    HandlerRig()
    {
        form.events = &handlers;
        ctx.now = [this] { return clock; };
    }

    // The device name of track n in the library that playing() sets up.
    static std::string device(int n) { return "\"/p/m/t" + std::to_string(n) + ".mp3\""; }

    // As start-up leaves things: tracks "/m/t1.mp3" .. "/m/t<nmax>.mp3" in "/p", the mode names
    // in Combo1 showing mode, and track `track` open and playing.
    void playing(int nmax, int mode, int track)
    {
        state.Pare = "/p";
        for (int i = 1; i <= nmax; ++i)
            state.FileList[static_cast<std::size_t>(i)] = "/m/t" + std::to_string(i) + ".mp3";
        state.nmax = nmax;
        state.ModeName = {"ランダム", "順番", "逆順"};
        form.combo1List = {"ランダム", "順番", "逆順"};
        form.combo1 = state.ModeName[static_cast<std::size_t>(mode)];
        state.a1 = mode;
        state.a2 = track;
        state.a3 = track;
        state.SoundFile = soundFileOf(state);
        form.hScrollMinimum = 1;
        form.hScrollMaximum = nmax;
        form.hScrollValue = track;
        form.text1 = std::to_string(track);
        media.setMode("playing");
        media.clearCalls();
    }

    // Runs one monitor tick and returns the number of the track it opened, or 0 if it opened none.
    int tick()
    {
        const std::size_t before = media.calls().size();
        handlers.timer1Timer();
        int opened = 0;
        for (std::size_t i = before; i < media.calls().size(); ++i) {
            const std::string& command = media.calls()[i].command;
            const std::string prefix = "Open \"" + state.Pare + "/m/t";
            if (command.starts_with(prefix))
                opened = std::stoi(command.substr(prefix.size()));
        }
        return opened;
    }
};

} // namespace zuvelo::testing
