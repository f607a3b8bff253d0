#include "HandlerRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace zuvelo::testing {
namespace {

constexpr int kRandom = 0, kInOrder = 1, kReverse = 2;

int wrap(int track, int nmax)
{
    return track < 1 ? track + nmax : (track > nmax ? track - nmax : track);
}

using Click = void (PlayerHandlers::*)();

// For every mode and every current track c of a small library, the track the monitor starts on
// the tick after a click is the one the button promises.
struct ButtonCase {
    const char* name;
    Click click;
    std::function<int(int mode, int c, int nmax)> expected; // 0: nothing starts
};

class ButtonTable : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonTable, orderedModes_startTheTrackTheButtonPromises)
{
    const ButtonCase& button = GetParam();
    for (int nmax : {1, 2, 5}) {
        for (int mode : {kInOrder, kReverse}) {
            for (int c = 1; c <= nmax; ++c) {
                HandlerRig rig;
                rig.playing(nmax, mode, c);
                (rig.handlers.*button.click)();
                EXPECT_EQ(rig.tick(), button.expected(mode, c, nmax))
                    << button.name << " mode " << mode << " c " << c << " nmax " << nmax;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ButtonTable,
    ::testing::Values(
        ButtonCase{"next", &PlayerHandlers::command1Click,
                   [](int mode, int c, int nmax) { return wrap(mode == kInOrder ? c + 1 : c - 1, nmax); }},
        ButtonCase{"restart", &PlayerHandlers::command2Click, [](int, int c, int) { return c; }},
        ButtonCase{"previous", &PlayerHandlers::command3Click,
                   [](int mode, int c, int nmax) { return wrap(mode == kInOrder ? c - 1 : c + 1, nmax); }},
        ButtonCase{"play", &PlayerHandlers::command5Click, [](int, int c, int) { return c; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransportButtons, worksFromTheEndsOfTheTable_asTheSelectionComputesThem)
{
    struct Case {
        Click click;
        int mode, c, a2AfterClick, started;
    };
    const int n = 10;
    const Case cases[] = {
        {&PlayerHandlers::command2Click, kInOrder, 1, n, 1},         // restart: 0, then nmax
        {&PlayerHandlers::command2Click, kReverse, n - 1, 0, n - 1}, // restart: nmax, then 0
        {&PlayerHandlers::command2Click, kReverse, n, n + 1, n},
        {&PlayerHandlers::command3Click, kInOrder, 2, n, 1}, // previous: 0, then nmax
        {&PlayerHandlers::command3Click, kInOrder, 1, n - 1, n},
        {&PlayerHandlers::command3Click, kReverse, n - 1, 1, n}, // nmax + 1, then 1
        {&PlayerHandlers::command3Click, kReverse, n, 2, 1},
        {&PlayerHandlers::command3Click, kReverse, n - 2, n, n - 1},
    };
    for (const Case& c : cases) {
        HandlerRig rig;
        rig.playing(n, c.mode, c.c);
        (rig.handlers.*c.click)();
        EXPECT_EQ(rig.state.a2.value(), c.a2AfterClick) << "mode " << c.mode << " c " << c.c;
        EXPECT_EQ(rig.media.commands(), std::vector<std::string>{"stop " + HandlerRig::device(c.c)});
        EXPECT_EQ(rig.tick(), c.started) << "mode " << c.mode << " c " << c.c;
    }
}

TEST(TransportButtons, randomMode_nextDrawsRestartReplaysPreviousAndPlayDoNothing)
{
    HandlerRig rig;
    rig.playing(6, kRandom, 4);
    std::set<int> drawn;
    for (int i = 0; i < 60; ++i) {
        rig.handlers.command1Click();
        const int started = rig.tick();
        ASSERT_GE(started, 1);
        ASSERT_LE(started, 6);
        drawn.insert(started);
    }
    EXPECT_GT(drawn.size(), 1u) << "next in random mode should draw different tracks";

    rig.playing(6, kRandom, 4);
    rig.handlers.command2Click();
    EXPECT_EQ(rig.state.b2.value(), 1);
    EXPECT_EQ(rig.tick(), 4);
    EXPECT_EQ(rig.state.b2.value(), 0);

    rig.playing(6, kRandom, 4);
    rig.handlers.command3Click();
    rig.handlers.command5Click();
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.state.a2.value(), 4);
    EXPECT_EQ(rig.tick(), 0) << "the track plays on";
}

TEST(TransportButtons, previousInRandomMode_leavesEvenAPauseAlone)
{
    HandlerRig rig;
    rig.playing(6, kRandom, 4);
    rig.handlers.command4Click();
    rig.media.clearCalls();
    rig.handlers.command3Click();
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.state.b1.value(), 1);
}

TEST(TransportButtons, pause_pausesOrStopsByFileKind_andPlayResumes)
{
    struct Case {
        const char* name;
        const char* expectedVerb;
    };
    for (const Case& c : {Case{"song.mp3", "pause "}, Case{"song.MID", "stop "}, Case{"song.midi", "stop "},
                          Case{"Xmid", "stop "}, Case{"midi.wav", "pause "}}) {
        HandlerRig rig;
        rig.playing(3, kInOrder, 2);
        rig.state.FileList[2] = std::string("/m/") + c.name;
        rig.state.SoundFile = soundFileOf(rig.state);
        rig.handlers.command4Click();
        EXPECT_EQ(rig.state.b1.value(), 1);
        EXPECT_EQ(rig.media.commands(), std::vector<std::string>{c.expectedVerb + rig.state.SoundFile}) << c.name;
        EXPECT_EQ(rig.media.calls()[0].replyCapacity, 255u);

        // Paused, even by "stop ": no tick advances.
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(rig.tick(), 0) << c.name;

        rig.media.clearCalls();
        rig.handlers.command5Click();
        EXPECT_EQ(rig.media.actions(), std::vector<std::string>{"play " + rig.state.SoundFile});
        EXPECT_EQ(rig.state.b1.value(), 0);
        EXPECT_EQ(rig.tick(), 0) << "resumed, not restarted";
    }
}

TEST(TransportButtons, whilePaused_nextPreviousAndRestartResumeBeforeStopping)
{
    for (Click click :
         {&PlayerHandlers::command1Click, &PlayerHandlers::command2Click, &PlayerHandlers::command3Click}) {
        HandlerRig rig;
        rig.playing(5, kInOrder, 3);
        rig.handlers.command4Click();
        rig.media.clearCalls();
        (rig.handlers.*click)();
        const std::string dev = HandlerRig::device(3);
        EXPECT_EQ(rig.media.commands(), (std::vector<std::string>{"play " + dev, "stop " + dev}));
        EXPECT_EQ(rig.state.b1.value(), 0);
        EXPECT_NE(rig.tick(), 0) << "the monitor moves on after the stop";
    }
}

TEST(TransportButtons, restartInOrder_leavesAReplayThatRandomModeHonours)
{
    HandlerRig rig;
    rig.playing(8, kInOrder, 5);
    rig.handlers.command2Click();
    EXPECT_EQ(rig.tick(), 5);
    EXPECT_EQ(rig.state.b2.value(), 1) << "the ordered modes neither read nor clear it";
    rig.handlers.raClick();
    EXPECT_EQ(rig.tick(), 5);
    EXPECT_EQ(rig.state.b2.value(), 0);
}

} // namespace
} // namespace zuvelo::testing
