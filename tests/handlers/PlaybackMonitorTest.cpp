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

std::vector<int> openedIn(HandlerRig& rig, int ticks)
{
    std::vector<int> opened;
    for (int i = 0; i < ticks; ++i)
        if (int track = rig.tick())
            opened.push_back(track);
    return opened;
}

// Every track bad: each mode passes over them until every number has failed, then tries one every
// five seconds in its own order; a button starts a new round. When the files are back the next
// slow try plays, and playing starts the count afresh.
class AllTracksBad : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(AllTracksBad, oneRoundThenASlowRetryInTheModesOrder)
{
    const auto [mode, nmax] = GetParam();
    HandlerRig rig;
    const auto markAllBad = [&] {
        for (int n = 1; n <= nmax; ++n)
            rig.media.badDevices.insert(HandlerRig::device(n));
    };
    markAllBad();
    rig.playing(nmax, mode, 1);
    const auto step = [&](int t) { return (mode == kModeInOrder ? t : t + nmax - 2) % nmax + 1; };
    // A round from track `from` tries every track once, in the mode's order, and then stops.
    const auto expectRound = [&](const std::vector<int>& opened, int from, bool fromFailed) {
        std::set<int> tried(opened.begin(), opened.end());
        if (fromFailed)
            tried.insert(from);
        EXPECT_EQ(tried.size(), std::size_t(nmax));
        for (std::size_t i = 0; mode != kModeRandom && i < opened.size(); ++i)
            EXPECT_EQ(opened[i], step(i == 0 ? from : opened[i - 1])) << i;
        EXPECT_EQ(openedIn(rig, 10), std::vector<int>{}) << "the round is over";
    };

    expectRound(openedIn(rig, 60), 1, true);

    rig.clock += std::chrono::milliseconds(4900);
    EXPECT_EQ(openedIn(rig, 3), std::vector<int>{});
    const int last = int(rig.state.a2.value());
    rig.clock += std::chrono::milliseconds(100);
    const std::vector<int> slow = openedIn(rig, 3);
    ASSERT_EQ(slow.size(), 1u);
    if (mode != kModeRandom) {
        EXPECT_EQ(slow[0], step(last));
    }

    const int current = int(rig.state.a2.value());
    rig.click("Command1");
    expectRound(openedIn(rig, 60), current, true);

    rig.media.badDevices.clear();
    rig.clock += std::chrono::seconds(5);
    EXPECT_EQ(openedIn(rig, 3).size(), 1u) << "the files are back: one plays";
    const int playing = int(rig.state.a2.value());
    markAllBad();
    rig.media.setMode("stopped");
    expectRound(openedIn(rig, 60), playing, false);
}

INSTANTIATE_TEST_SUITE_P(ModesAndSizes, AllTracksBad,
                         ::testing::Combine(::testing::Values(kModeRandom, kModeInOrder, kModeReverse),
                                            ::testing::Values(1, 3)));

} // namespace
} // namespace zuvelo::testing
