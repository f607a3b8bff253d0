#pragma once

#include "RecordingMediaControl.h"

#include "handlers/PlayerHandlers.h"
#include "handlers/TrackSound.h"
#include "ui/Form1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <memory>

namespace zuvelo::testing {

using Texts = std::vector<std::string>;

// A control of the window, found by its objectName as a user's tools find it.
template <typename T = QWidget>
T* child(const Form1& form, const char* name)
{
    return form.findChild<T*>(QString::fromLatin1(name));
}

// The real window, also keeping what the handlers printed on it: printed() gives each line as
// "top-in-twips points text".
class RecordingForm : public Form1 {
public:
    TextArea shown;
    void clearTextArea() override { Form1::clearTextArea(), shown.clear(); }
    void setTextSize(int points) override { Form1::setTextSize(points), shown.setSize(points); }
    void print(const std::vector<PrintItem>& items) override { Form1::print(items), shown.print(items); }

    Texts printed() const
    {
        Texts lines;
        for (const auto& line : shown.lines())
            lines.push_back(std::to_string(line.topTwips) + " " + std::to_string(line.points) + " " + line.text);
        return lines;
    }
};

// The program's handlers on the real window (shown only on request) and the recording media seam,
// wired as the program wires them, with a monitor clock that stands still until a test moves it.
struct HandlerRig {
    std::unique_ptr<PlayerState> statePtr = std::make_unique<PlayerState>();
    PlayerState& state = *statePtr;
    RecordingMediaControl media;
    RecordingForm form;
    QLineEdit* Text1 = child<QLineEdit>(form, "Text1");
    QScrollBar* HScroll1 = child<QScrollBar>(form, "HScroll1");
    QComboBox* Combo1 = child<QComboBox>(form, "Combo1");
    PlayerContext ctx{state, media, form};
    Texts listFailures;
    int endProgramCalls = 0;
    PlayerHandlers handlers{ctx, [this](const std::string& why) { listFailures.push_back(why); },
                            [this] { ++endProgramCalls; }};
    PlayerContext::Clock::time_point clock{};

    HandlerRig()
    {
        form.setEvents(&handlers);
        ctx.now = [this] { return clock; };
    }

    static std::string device(int n) { return "\"/p/m/t" + std::to_string(n) + ".mp3\""; }
    std::string text1() const { return Text1->text().toStdString(); }
    bool show() { return form.show(), QTest::qWaitForWindowExposed(&form); }

    void click(const char* name)
    {
        if (auto* button = child<QPushButton>(form, name))
            button->click();
        else
            child<QAction>(form, name)->trigger();
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
