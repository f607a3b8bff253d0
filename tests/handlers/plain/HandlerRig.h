#pragma once

// The handler rig where there is no Qt window (the Windows build): the same handlers and media
// seam on a plain stand-in for the window's controls. Tests written against HandlerRig's
// playing(), click(), tick() and form.combo1Text() run on either rig.

#include "RecordingMediaControl.h"

#include "handlers/PlayerHandlers.h"
#include "handlers/TrackSound.h"

#include <algorithm>
#include <map>
#include <memory>

namespace zuvelo::testing {

using Texts = std::vector<std::string>;

// The controls' state without a window. As FormControls promises: a setter that changes a text
// or value runs that control's change handler at once, nested inside it; the same text or value,
// range setters and a value pulled into a new range run nothing. A value beyond the range is
// pulled into it first, as a scroll bar does.
class PlainForm : public FormControls {
public:
    FormEvents* events = nullptr;
    std::vector<std::string> combo1List;
    std::string combo1, text1, caption;
    int minimum = 0, maximum = kMaxTracks, value = 0, timer1Interval = 0;

    void setCombo1ListEntry(int index, const std::string& text) override
    {
        combo1List.resize(std::max(combo1List.size(), std::size_t(index) + 1));
        combo1List[std::size_t(index)] = text;
    }
    std::string combo1ListEntry(int index) const override
    {
        return std::size_t(index) < combo1List.size() ? combo1List[std::size_t(index)] : std::string();
    }
    std::string combo1Text() const override { return combo1; }
    void setCombo1Text(const std::string& text) override { change(combo1, text, &FormEvents::combo1Change); }
    void setHScroll1Minimum(int v) override { minimum = v, value = std::clamp(value, minimum, std::max(minimum, maximum)); }
    void setHScroll1Maximum(int v) override { maximum = v, value = std::clamp(value, std::min(minimum, maximum), maximum); }
    void setHScroll1Value(int v) override { change(value, std::clamp(v, minimum, maximum), &FormEvents::hScroll1Change); }
    int hScroll1Value() const override { return value; }
    void setText1Text(const std::string& text) override { change(text1, text, &FormEvents::text1Change); }
    void clearTextArea() override {}
    void setTextSize(int) override {}
    void print(const std::vector<PrintItem>&) override {}
    void setCaption(const std::string& text) override { caption = text; }
    void setTimer1Interval(int milliseconds) override { timer1Interval = milliseconds; }

private:
    template <typename T>
    void change(T& held, const T& wanted, void (FormEvents::*handler)())
    {
        if (held == wanted)
            return;
        held = wanted;
        if (events)
            (events->*handler)();
    }
};

// The program's handlers on the plain controls and the recording media seam, with a monitor
// clock that stands still until a test moves it.
struct HandlerRig {
    std::unique_ptr<PlayerState> statePtr = std::make_unique<PlayerState>();
    PlayerState& state = *statePtr;
    RecordingMediaControl media;
    PlainForm form;
    PlayerContext ctx{state, media, form};
    Texts listFailures;
    int endProgramCalls = 0;
    PlayerHandlers handlers{ctx, [this](const std::string& why) { listFailures.push_back(why); },
                            [this] { ++endProgramCalls; }};
    PlayerContext::Clock::time_point clock{};

    HandlerRig()
    {
        form.events = &handlers;
        ctx.now = [this] { return clock; };
    }

    static std::string device(int n) { return "\"/p/m/t" + std::to_string(n) + ".mp3\""; }

    // A button or menu item, by the name the window gives it.
    void click(const std::string& name)
    {
        static const std::map<std::string, void (FormEvents::*)()> events = {
            {"Command1", &FormEvents::command1Click}, {"Command2", &FormEvents::command2Click},
            {"Command3", &FormEvents::command3Click}, {"Command4", &FormEvents::command4Click},
            {"Command5", &FormEvents::command5Click}, {"ra", &FormEvents::raClick},
            {"jun", &FormEvents::junClick},           {"gya", &FormEvents::gyaClick},
            {"lis", &FormEvents::lisClick}};
        (handlers.*events.at(name))();
    }

    // As start-up leaves things: tracks "/m/t1.mp3" .. in "/p" (names a test set stay), the mode
    // names in Combo1 showing mode, and track `track` shown, open and playing.
    void playing(int nmax, int mode, int track)
    {
        state.Pare = "/p";
        for (std::size_t i = 1; i <= std::size_t(nmax); ++i)
            if (state.FileList[i].empty())
                state.FileList[i] = "/m/t" + std::to_string(i) + ".mp3";
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
