#include "HandlerRig.h"

#include "handlers/MediaSend.h"

#include <QSignalBlocker>

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {
namespace {

// A track that ends is closed and the next opened, shown, rewound and played; a playing one is only
// reported in the caption. Each tick reads the mode from Combo1 (set without its handler here) and
// sees a click made while it yields. With no tracks, the failed query shows the title alone.
TEST(PlaybackMonitor, aTrackThatEnded_isClosedAndTheNextOpenedShownRewoundAndPlayed)
{
    HandlerRig rig;
    rig.playing(5, kModeInOrder, 2);
    rig.media.setMode("stopped");
    ASSERT_EQ(rig.tick(), 3);
    const std::string old = HandlerRig::device(2), next = HandlerRig::device(3);
    EXPECT_EQ(rig.media.commands, (Texts{"status " + old + " mode", "close " + old, "Open " + next,
                                         "seek " + next + " to start", "play " + next}));
    // Whatever the media layer writes within the capacity, the reply field keeps a NUL after it.
    EXPECT_LT(rig.media.largestReplyCapacity, sizeof(ReplyField::bytes));
    EXPECT_EQ(rig.form.windowTitle(), "Zuvelostopped");
    EXPECT_EQ(rig.form.printed(), (Texts{"0 18 /m/t3.mp3", "720 11 全 5 曲"}));
    EXPECT_EQ(rig.HScroll1->value(), 3);

    rig.media.clear();
    EXPECT_EQ(rig.tick(), 0);
    EXPECT_EQ(rig.media.commands, Texts{"status " + next + " mode"});
    EXPECT_EQ(rig.form.windowTitle(), "Zuveloplaying");

    rig.media.setMode("Stopped");
    EXPECT_EQ(rig.tick(), 0) << "only \"stopped\", in its letter case, moves on";
    for (const auto& [shown, started] : std::vector<std::pair<const char*, int>>{{"逆順", 2}, {"順", 1}}) {
        const QSignalBlocker noHandler(rig.Combo1);
        rig.Combo1->setEditText(shown);
        rig.media.setMode("stopped now");
        EXPECT_EQ(rig.tick(), started) << shown;
    }
    rig.ctx.yieldToEvents = [&] { rig.click("Command3"); };
    EXPECT_EQ(rig.tick(), 2);

    HandlerRig empty;
    empty.media.badDevices.insert("\"/p\""); // start-up's open of the folder itself failed
    empty.playing(0, kModeRandom, 1);
    EXPECT_EQ(empty.tick() + empty.tick(), 0);
    EXPECT_EQ(empty.form.windowTitle(), "Zuvelo");
}

// The numbers of the tracks opened since the last call, in turn.
std::vector<int> opened(HandlerRig& rig)
{
    std::vector<int> tracks;
    for (const std::string& command : rig.media.commands)
        if (command.starts_with("Open "))
            tracks.push_back(std::stoi(command.substr(command.rfind("/t") + 2)));
    rig.media.clear();
    return tracks;
}

// Every track bad: one tick passes over all of them, each once, in the mode's order (in random
// mode a draw, then on in order), and then tries one every five seconds in that order; a button
// starts a new round. When the files are back the next slow try plays, and playing starts the
// count afresh.
class AllTracksBad : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(AllTracksBad, oneRoundInOneTickThenASlowRetryInTheModesOrder)
{
    const auto [mode, nmax] = GetParam();
    HandlerRig rig;
    const auto markAllBad = [&] {
        for (int n = 1; n <= nmax; ++n)
            rig.media.badDevices.insert(HandlerRig::device(n));
    };
    markAllBad();
    rig.playing(nmax, mode, 1);
    const auto step = [&](int t) { return (mode == kModeReverse ? t + nmax - 2 : t) % nmax + 1; };
    // One tick tries every track once, in the mode's order, from track `from` (random mode may
    // draw `from` itself first), and then stops.
    const auto expectRound = [&](int from, bool fromFailed) {
        rig.tick();
        const std::vector<int> tried = opened(rig);
        std::set<int> all(tried.begin(), tried.end());
        if (fromFailed)
            all.insert(from);
        EXPECT_EQ(all.size(), std::size_t(nmax));
        EXPECT_LE(tried.size(), all.size() - (fromFailed && mode != kModeRandom)) << "no track twice, but a draw";
        for (std::size_t i = mode == kModeRandom; i < tried.size(); ++i)
            EXPECT_EQ(tried[i], step(i == 0 ? from : tried[i - 1])) << i;
        EXPECT_EQ(rig.tick() + rig.tick(), 0) << "the round is over";
    };

    expectRound(1, true);

    rig.clock += std::chrono::milliseconds(4900);
    EXPECT_EQ(rig.tick(), 0);
    const int last = int(rig.state.a2.value());
    rig.clock += std::chrono::milliseconds(100);
    rig.tick();
    EXPECT_EQ(opened(rig), std::vector<int>{step(last)});
    EXPECT_EQ(rig.tick(), 0);

    const int current = int(rig.state.a2.value());
    rig.click("Command1");
    expectRound(current, true);

    rig.media.badDevices.clear();
    rig.clock += std::chrono::seconds(5);
    rig.tick();
    EXPECT_EQ(opened(rig).size(), 1u) << "the files are back: one plays";
    const int playing = int(rig.state.a2.value());
    markAllBad();
    rig.media.setMode("stopped");
    expectRound(playing, false);
}

INSTANTIATE_TEST_SUITE_P(ModesAndSizes, AllTracksBad,
                         ::testing::Combine(::testing::Values(kModeRandom, kModeInOrder, kModeReverse),
                                            ::testing::Values(1, 3)));

// One good track among 300 bad: the first tick passes over bad ones while its 50 ms last and the
// ticks after it go on from there, until the good one plays. In random mode the track after one
// that played is drawn again, not the next in order.
TEST(PlaybackMonitor, passesOverBadTracksForAtMost50msATickUntilAGoodOnePlays)
{
    for (int mode : {kModeRandom, kModeInOrder, kModeReverse}) {
        SCOPED_TRACE(mode);
        HandlerRig rig;
        const int nmax = 300, good = 150;
        for (int n = 1; n <= nmax; ++n)
            if (n != good)
                rig.media.badDevices.insert(HandlerRig::device(n));
        rig.playing(nmax, mode, 1);
        rig.ctx.now = [&] { return rig.clock += std::chrono::milliseconds(20); };
        std::vector<int> tried;
        for (int ticks = 0; rig.state.a2 != good && ticks < 200; ++ticks) {
            rig.tick();
            const std::vector<int> inTick = opened(rig);
            EXPECT_TRUE(inTick.size() == 3 || rig.state.a2 == good) << inTick.size() << " in one tick";
            tried.insert(tried.end(), inTick.begin(), inTick.end());
        }
        ASSERT_EQ(rig.state.a2.value(), good);
        for (std::size_t i = 1; i < tried.size(); ++i)
            EXPECT_EQ(tried[i], (mode == kModeReverse ? tried[i - 1] + nmax - 2 : tried[i - 1]) % nmax + 1) << i;
        EXPECT_EQ(rig.tick(), 0) << "it plays";
        rig.media.badDevices.clear();
        int inOrder = 0;
        for (int i = 0, before = good; i < 5 && mode == kModeRandom; ++i, before = int(rig.state.a2.value())) {
            rig.media.setMode("stopped");
            inOrder += rig.tick() == before % nmax + 1;
        }
        EXPECT_LT(inOrder, 5);
    }
}
} // namespace
} // namespace zuvelo::testing
