#include <HandlerRig.h> // the Qt window's, or plain/HandlerRig.h where there is none

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// A button in an ordered mode stops the current track c, and the next tick starts the track
// `step` places on from c in the mode's direction: 1 next, 0 restart and play, -1 previous.
class ButtonTable : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(ButtonTable, orderedModes_stopTheTrackAndTheNextTickStartsTheOnePromised)
{
    const auto [button, step] = GetParam();
    for (int nmax : {1, 2, 5})
        for (int mode : {kModeInOrder, kModeReverse})
            for (int c = 1; c <= nmax; ++c) {
                SCOPED_TRACE(::testing::Message() << "nmax " << nmax << " mode " << mode << " c " << c);
                HandlerRig rig;
                rig.playing(nmax, mode, c);
                rig.click(button);
                EXPECT_EQ(rig.media.commands, Texts{"stop " + HandlerRig::device(c)});
                const int promised = c + (mode == kModeInOrder ? step : -step);
                EXPECT_EQ(rig.tick(), (promised + nmax - 1) % nmax + 1);
            }
}

INSTANTIATE_TEST_SUITE_P(Buttons, ButtonTable,
                         ::testing::Values(std::pair{"Command1", 1}, std::pair{"Command2", 0},
                                           std::pair{"Command3", -1}, std::pair{"Command5", 0}),
                         [](const auto& info) { return std::string(info.param.first); });

// In random mode "<<" does nothing, paused or not, and ">" nothing while not paused: no command is
// sent, nothing changes, and no tick moves on.
TEST(TransportButtons, inRandomMode_previousAndPlayWhilePlayingDoNothing)
{
    for (const auto& [button, paused] : {std::pair{"Command3", false}, {"Command3", true}, {"Command5", false}}) {
        HandlerRig rig;
        rig.playing(5, kModeRandom, 3);
        if (paused)
            rig.click("Command4");
        rig.media.clear();
        const auto numbers = [&] { return std::vector<std::int64_t>{rig.state.a2, rig.state.b1, rig.state.b2}; };
        const auto before = numbers();
        rig.click(button);
        EXPECT_EQ(std::pair(rig.media.commands, numbers()), std::pair(Texts{}, before)) << button << " paused " << paused;
        EXPECT_EQ(rig.tick(), 0);
    }
}

// Pause pauses the track, or stops it when it is MIDI ("play " resumes it from there), and no
// tick moves on while paused. Play resumes it; next, restart and previous resume it and stop it.
TEST(TransportButtons, pauseHoldsTheTrackUntilAButtonResumesIt)
{
    const std::pair<const char*, int> buttons[] = {{"Command5", 0}, {"Command1", 3}, {"Command2", 2}, {"Command3", 1}};
    for (const auto& [name, verb] : std::vector<std::pair<std::string, std::string>>{
             {"a.mp3", "pause "}, {"a.MID", "stop "}, {"a.midi", "stop "}, {"Xmid", "stop "}, {"midi.wav", "pause "}})
        for (const auto& [button, started] : buttons) {
            SCOPED_TRACE(name + " then " + button);
            HandlerRig rig;
            rig.state.FileList.resize(3);
            rig.state.FileList.set(2, "/m/" + name);
            rig.playing(3, kModeInOrder, 2);
            const std::string dev = rig.state.SoundFile;
            rig.click("Command4");
            EXPECT_EQ(rig.media.commands, Texts{verb + dev});
            EXPECT_EQ(rig.tick() + rig.tick(), 0);
            rig.media.clear();
            rig.click(button);
            const Texts resumed = {"play " + dev, "stop " + dev};
            EXPECT_EQ(rig.media.commands, Texts(resumed.begin(), resumed.end() - (started ? 0 : 1)));
            EXPECT_EQ(rig.tick(), started);
        }
}

// A mode item, clicked while paused after a restart, ends the pause, shows its mode, stops the track, and the ticks
// after it start from the mode's end: jun from the first track, gya from the last, ra with the restart's replay.
TEST(ModeMenu, eachItemShowsItsModeStopsTheTrackAndStartsFromItsEnd)
{
    const std::tuple<const char*, int, int, int> rows[] = {
        {"jun", kModeInOrder, 2, 3}, {"gya", kModeReverse, 9, 8}, {"ra", kModeRandom, 7, 0}};
    for (const auto& [item, mode, first, second] : rows) {
        HandlerRig rig;
        rig.playing(10, (mode + 1) % 3, 7);
        rig.click("Command2");
        rig.click("Command4");
        rig.media.clear();
        rig.click(item);
        EXPECT_EQ(rig.form.combo1Text(), rig.state.ModeName[std::size_t(mode)]);
        EXPECT_EQ(rig.media.commands, Texts{"stop " + HandlerRig::device(7)});
        EXPECT_EQ(rig.tick(), first) << item;
        rig.media.setMode("stopped");
        if (second != 0) {
            EXPECT_EQ(rig.tick(), second) << item;
        }
    }
}

// What the user asks of the player, a button or a menu item, forgets the tracks that failed, so that
// a round over them starts again at once; the mode box and the scroll bar do not.
TEST(FailedTracks, clearedByTheButtonsAndMenuItems_notByTheModeBoxOrTheScrollBar)
{
    for (const std::string action : {"Command1", "Command2", "Command3", "Command4", "Command5", "ra", "jun", "gya",
                                     "lis", "Combo1", "HScroll1"}) {
        HandlerRig rig;
        rig.media.badDevices = {HandlerRig::device(1), HandlerRig::device(2)};
        rig.playing(2, kModeInOrder, 1);
        rig.tick();
        ASSERT_TRUE(rig.ctx.failedTracks.all(2));
        const bool box = action == "Combo1", bar = action == "HScroll1";
        box ? rig.form.setCombo1Text("逆順") : bar ? rig.form.setHScroll1Value(1) : rig.click(action.c_str());
        EXPECT_EQ(rig.ctx.failedTracks.empty(), !box && !bar) << action;
    }
}

} // namespace
} // namespace zuvelo::testing
