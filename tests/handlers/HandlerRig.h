#pragma once

#include "RecordingMediaControl.h"

#include "handlers/FormControls.h"
#include "handlers/PlayerHandlers.h"
#include "handlers/TrackSound.h"
#include "ui/TextArea.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace zuvelo::testing {

using Texts = std::vector<std::string>;
using Click = void (PlayerHandlers::*)();

// The window's controls without a window, with Form1's change rule: a setter that changes a text
// or value runs the control's change handler at once, nested; the same text or value runs nothing;
// range setters pull the value into range silently.
class FakeForm : public FormControls {
public:
    Texts combo1List = Texts(3);
    std::string combo1 = "Combo1", text1 = "Text1", caption = "Form1";
    int hMin = 0, hMax = kMaxTracks, hValue = 0, timerInterval = 0;
    TextArea textArea;

    void setEvents(FormEvents* events) { m_events = events; }
    void setCombo1ListEntry(int i, const std::string& text) override { combo1List.at(std::size_t(i)) = text; }
    std::string combo1ListEntry(int i) const override { return combo1List.at(std::size_t(i)); }
    std::string combo1Text() const override { return combo1; }
    void setCombo1Text(const std::string& text) override { change(combo1, text, &FormEvents::combo1Change); }
    void setHScroll1Minimum(int value) override { hValue = std::max(hValue, hMin = value); }
    void setHScroll1Maximum(int value) override { hValue = std::min(hValue, hMax = value); }
    void setHScroll1Value(int v) override { change(hValue, std::clamp(v, hMin, hMax), &FormEvents::hScroll1Change); }
    int hScroll1Value() const override { return hValue; }
    void setText1Text(const std::string& text) override { change(text1, text, &FormEvents::text1Change); }
    void clearTextArea() override { textArea.clear(); }
    void setTextSize(int points) override { textArea.setSize(points); }
    void print(const std::vector<PrintItem>& items) override { textArea.print(items); }
    void setCaption(const std::string& text) override { caption = text; }
    void setTimer1Interval(int milliseconds) override { timerInterval = milliseconds; }

    // The printed lines as "top-in-twips points text".
    Texts printed() const
    {
        Texts lines;
        for (const auto& line : textArea.lines())
            lines.push_back(std::to_string(line.topTwips) + " " + std::to_string(line.points) + " " + line.text);
        return lines;
    }

private:
    template <typename T>
    void change(T& field, const T& value, void (FormEvents::*handler)())
    {
        if (std::exchange(field, value) != value && m_events)
            (m_events->*handler)();
    }
    FormEvents* m_events = nullptr;
};

// The program's handlers on a window (the fake, or Form1) and the recording media seam, wired as
// the program wires them, with a monitor clock that stands still until a test moves it.
template <typename Form = FakeForm>
struct Rig {
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

    Rig()
    {
        form.setEvents(&handlers);
        ctx.now = [this] { return clock; };
    }

    static std::string device(int n) { return "\"/p/m/t" + std::to_string(n) + ".mp3\""; }

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
        state.a1 = mode;
        state.a2 = state.a3 = track;
        state.SoundFile = soundFileOf(state);
        media.sendString(("Open " + state.SoundFile).c_str(), nullptr, 0);
        media.setMode("playing");
        media.calls.clear();
    }

    // Runs one monitor tick; returns the number of the track it opened, or 0.
    int tick()
    {
        const int opens = media.count("Open ");
        handlers.timer1Timer();
        return media.count("Open ") > opens ? int(state.a2.value()) : 0;
    }
};
using HandlerRig = Rig<>;

} // namespace zuvelo::testing
