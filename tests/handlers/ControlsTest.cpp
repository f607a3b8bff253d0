#include "HandlerRig.h"

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// A button in an ordered mode stops the current track c, and the next tick starts the track
// `step` places on from c in the mode's direction: 1 next, 0 restart and play, -1 previous.
struct Button {
    const char* name;
    Click click;
    int step;
};
class ButtonTable : public ::testing::TestWithParam<Button> {};

TEST_P(ButtonTable, orderedModes_stopTheTrackAndTheNextTickStartsTheOnePromised)
{
    for (int nmax : {1, 2, 5}) {
        for (int mode : {kModeInOrder, kModeReverse}) {
            for (int c = 1; c <= nmax; ++c) {
                SCOPED_TRACE("nmax " + std::to_string(nmax) + " mode " + std::to_string(mode) + " c " +
                             std::to_string(c));
                HandlerRig rig;
                rig.playing(nmax, mode, c);
                (rig.handlers.*GetParam().click)();
                EXPECT_EQ(rig.media.commands(), Texts{"stop " + HandlerRig::device(c)});
                const int promised = c + (mode == kModeInOrder ? 1 : -1) * GetParam().step;
                EXPECT_EQ(rig.tick(), (promised + nmax - 1) % nmax + 1);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonTable,
                         ::testing::Values(Button{"next", &PlayerHandlers::command1Click, 1},
                                           Button{"restart", &PlayerHandlers::command2Click, 0},
                                           Button{"previous", &PlayerHandlers::command3Click, -1},
                                           Button{"play", &PlayerHandlers::command5Click, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// At the ends of the table restart (2) and previous (3) leave a2, which a close right then saves,
// where the selection wraps it onto the promised track.
TEST(TransportButtons, atTheEndsOfTheTable_leaveA2WhereTheSelectionWraps)
{
    const int n = 10, in = kModeInOrder, rev = kModeReverse;
    const int rows[][4] = {{2, in, 1, n},     {2, rev, n - 1, 0}, {2, rev, n, n + 1}, {3, in, 2, n},
                           {3, in, 1, n - 1}, {3, rev, n - 1, 1}, {3, rev, n - 2, n}, {3, rev, n, 2}};
    for (const auto& [button, mode, c, a2] : rows) {
        HandlerRig rig;
        rig.playing(n, mode, c);
        (rig.handlers.*(button == 2 ? &PlayerHandlers::command2Click : &PlayerHandlers::command3Click))();
        EXPECT_EQ(rig.state.a2.value(), a2) << "button " << button << " mode " << mode << " c " << c;
    }
}

// Pause pauses the track, or stops it when it is MIDI ("play " resumes it from there), and no
// tick moves on while paused. Play resumes it; next, restart and previous resume it and stop it.
TEST(TransportButtons, pauseHoldsTheTrackUntilAButtonResumesIt)
{
    const std::pair<Click, int> buttons[] = {{&PlayerHandlers::command5Click, 0},
                                             {&PlayerHandlers::command1Click, 3},
                                             {&PlayerHandlers::command2Click, 2},
                                             {&PlayerHandlers::command3Click, 1}};
    for (const auto& [name, verb] : std::vector<std::pair<std::string, std::string>>{
             {"a.mp3", "pause "}, {"a.MID", "stop "}, {"a.midi", "stop "}, {"Xmid", "stop "}, {"midi.wav", "pause "}}) {
        for (const auto& [click, started] : buttons) {
            SCOPED_TRACE(name + " then " + std::to_string(started));
            HandlerRig rig;
            rig.state.FileList[2] = "/m/" + name;
            rig.playing(3, kModeInOrder, 2);
            const std::string dev = rig.state.SoundFile;
            rig.handlers.command4Click();
            EXPECT_EQ(rig.media.commands(), Texts{verb + dev});
            EXPECT_EQ(rig.tick() + rig.tick(), 0);
            rig.media.calls.clear();
            (rig.handlers.*click)();
            const Texts resumed = {"play " + dev, "stop " + dev};
            EXPECT_EQ(rig.media.commands(), Texts(resumed.begin(), resumed.end() - (started ? 0 : 1)));
            EXPECT_EQ(rig.tick(), started);
        }
    }
}

// A mode item, clicked while paused after a restart, ends the pause, shows its mode, stops the
// track at once, and the ticks after it start from the mode's end: jun from the first track, gya
// from the last, ra with the replay the restart asked for.
TEST(ModeMenu, eachItemShowsItsModeStopsTheTrackAndStartsFromItsEnd)
{
    const struct {
        Click click;
        int mode, first, second;
    } rows[] = {{&PlayerHandlers::junClick, kModeInOrder, 2, 3},
                {&PlayerHandlers::gyaClick, kModeReverse, 9, 8},
                {&PlayerHandlers::raClick, kModeRandom, 7, 0}};
    for (const auto& row : rows) {
        HandlerRig rig;
        rig.playing(10, (row.mode + 1) % 3, 7);
        rig.handlers.command2Click();
        rig.handlers.command4Click();
        rig.media.calls.clear();
        (rig.handlers.*row.click)();
        EXPECT_EQ(rig.form.combo1, rig.state.ModeName[std::size_t(row.mode)]);
        EXPECT_EQ(rig.media.commands(), Texts{"stop " + HandlerRig::device(7)});
        EXPECT_EQ(rig.tick(), row.first) << "mode " << row.mode;
        rig.media.setMode("stopped");
        if (row.second != 0) {
            EXPECT_EQ(rig.tick(), row.second) << "mode " << row.mode;
        }
    }
}

} // namespace
} // namespace zuvelo::testing
