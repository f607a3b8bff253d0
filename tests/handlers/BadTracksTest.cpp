#include <HandlerRig.h> // the Qt window's, or plain/HandlerRig.h where there is none

#include <gtest/gtest.h>

#include <set>

namespace zuvelo::testing {
namespace {

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

// Bad tracks, every mode, with 263 or the Windows auto-open: 50 ms a tick (three at 20 ms a reading), on in order
// even at random, until the good one of 300 plays; all bad: one round, then one every 5 s, no device left open;
// after a track that played, random mode draws again.
class BadTracks : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(BadTracks, passedOverFor50msATick_eachOnceARound_thenOneEveryFiveSeconds)
{
    const auto [mode, autoOpen] = GetParam();
    const int nmax = 300, good = 150;
    HandlerRig rig;
    rig.media.autoOpen = autoOpen;
    for (int n = 1; n <= nmax; ++n)
        rig.media.badDevices.insert(HandlerRig::device(n));
    rig.media.badDevices.erase(HandlerRig::device(good));
    rig.playing(nmax, mode, 1);
    const auto step = [&](int t) { return (mode == kModeReverse ? t + nmax - 2 : t) % nmax + 1; };
    // The tracks tried in turn from `from`, each after the one before in the mode's order (in random
    // mode from a draw), all of them once when `round`.
    const auto expectInOrder = [&](const std::vector<int>& tried, int from, bool round) {
        for (std::size_t i = mode == kModeRandom; i < tried.size(); ++i)
            EXPECT_EQ(tried[i], step(i == 0 ? from : tried[i - 1])) << i;
        std::set<int> all(tried.begin(), tried.end());
        EXPECT_TRUE(!round || (all.insert(from), all.size() == std::size_t(nmax))) << all.size();
    };

    rig.ctx.now = [&] { return rig.clock += std::chrono::milliseconds(20); };
    std::vector<int> tried;
    for (int ticks = 0; rig.state.a2 != good && ++ticks < 200;) {
        rig.tick();
        const std::vector<int> inTick = opened(rig);
        EXPECT_TRUE(inTick.size() == 3 || rig.state.a2 == good) << inTick.size() << " in one tick";
        tried.insert(tried.end(), inTick.begin(), inTick.end());
    }
    ASSERT_EQ(rig.state.a2.value(), good);
    expectInOrder(tried, 1, false);

    rig.ctx.now = [&] { return rig.clock; };
    rig.media.badDevices.insert(HandlerRig::device(good));
    rig.media.setMode("stopped");
    rig.tick();
    expectInOrder(opened(rig), good, true);
    EXPECT_EQ(rig.media.openDevices(), 0u) << "nothing a status query opened by itself is left open";
    EXPECT_EQ(rig.tick() + rig.tick(), 0) << "the round is over";
    rig.clock += std::chrono::milliseconds(4900);
    EXPECT_EQ(rig.tick(), 0);
    const int last = int(rig.state.a2.value());
    rig.clock += std::chrono::milliseconds(100);
    rig.tick();
    EXPECT_EQ(opened(rig), std::vector<int>{step(last)});

    rig.media.badDevices.clear();
    rig.clock += std::chrono::seconds(5);
    rig.tick();
    EXPECT_EQ(opened(rig).size(), 1u) << "the files are back: one plays";
    int inOrder = 0;
    for (int i = 0, before = int(rig.state.a2.value()); i < 5; ++i, before = int(rig.state.a2.value())) {
        rig.media.setMode("stopped");
        inOrder += rig.tick() == step(before);
    }
    EXPECT_TRUE(mode != kModeRandom || inOrder < 5);
}

INSTANTIATE_TEST_SUITE_P(Modes, BadTracks,
                         ::testing::Combine(::testing::Values(kModeRandom, kModeInOrder, kModeReverse), ::testing::Bool()));

} // namespace
} // namespace zuvelo::testing
