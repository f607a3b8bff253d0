#include "player/TrackSelection.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace zuvelo;

// Each selection reseeds from the clock, so that two runs from the same state pick different tracks.
TEST(TrackSelection, randomPickDiffersFromRunToRun)
{
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    for (int child = 0; child < 2; ++child, ::wait(nullptr))
        if (::fork() == 0) {
            PlayerState state;
            state.nmax = 1000000000;
            SelectNextTrack(state, SelectionForm::Startup);
            const std::int64_t pick = state.a2.value();
            ::_exit(::write(out[1], &pick, sizeof pick) == sizeof pick ? 0 : 1);
        }
    std::int64_t picks[2] = {};
    ASSERT_EQ(::read(out[0], picks, sizeof picks), static_cast<ssize_t>(sizeof picks));
    EXPECT_NE(picks[0], picks[1]);
}
