#include <HandlerRig.h> // the Qt window's, or plain/HandlerRig.h where there is none

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {
namespace {

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
// slow try plays, and playing starts the count afresh. Alike where the media layer answers a
// status query of a name not open with 263 and where it opens the file itself (Windows), leaving
// no device open.
class AllTracksBad : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(AllTracksBad, oneRoundThenASlowRetryInTheModesOrder)
{
    const auto [mode, nmax, autoOpen] = GetParam();
    HandlerRig rig;
    rig.media.autoOpen = autoOpen;
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
        EXPECT_EQ(rig.media.openDevices(), 0u);
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
                                            ::testing::Values(1, 3), ::testing::Bool()));

} // namespace
} // namespace zuvelo::testing
