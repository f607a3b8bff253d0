#include "player/TrackSelection.h"

#include <gtest/gtest.h>

using namespace zuvelo;

constexpr std::int64_t kEmpty = -999999; // a variable left unassigned
constexpr SelectionForm S = SelectionForm::Startup, M = SelectionForm::Monitor;
constexpr int R = kModeRandom, I = kModeInOrder, V = kModeReverse;
const auto number = [](std::int64_t value) { return value == kEmpty ? PlayerNumber{} : PlayerNumber{value}; };

// Every case whose outcome is fixed: the ends of the table, out-of-range entry values (start-up
// saturates them, the monitor wraps them), a pending replay, one track and none.
TEST(TrackSelection, choosesTheNextTrack)
{
    struct Row {
        SelectionForm form;
        std::int64_t a1, a2, nmax, b2, a3; // on entry
        std::int64_t wantA2, wantB2;       // a3 must end equal to a2
    };
    // clang-format off
    const Row rows[] = {
        {M, I, 1, 20, kEmpty, kEmpty, 2, kEmpty}, {S, I, 1, 20, 0, 5, 2, 0}, {M, I, 19, 20, kEmpty, 5, 20, kEmpty},
        {M, I, 20, 20, 0, 5, 1, 0}, {S, I, 20, 20, kEmpty, kEmpty, 1, kEmpty}, {M, V, 2, 20, 0, 5, 1, 0},
        {M, V, 1, 20, kEmpty, kEmpty, 20, kEmpty}, {S, V, 1, 20, 0, 5, 20, 0}, {S, I, 37, 20, 0, 5, 1, 0},
        {M, I, 37, 20, 0, 5, 2, 0}, {S, V, 37, 20, 0, 5, 19, 0}, {M, V, 37, 20, 0, 5, 20, 0},
        {S, I, 0, 20, 0, 5, 2, 0}, {M, I, 0, 20, 0, 5, 1, 0}, {S, V, 0, 20, 0, 5, 20, 0},
        {M, V, 0, 20, 0, 5, 19, 0}, {S, I, kEmpty, 20, 0, 5, 2, 0}, {M, V, kEmpty, 20, 0, 5, 19, 0},
        {S, I, 2147483647, 20, 0, 5, 1, 0}, {M, V, -2147483648LL, 20, 0, 5, 19, 0}, {M, I, 500, 1000, 0, 5, 501, 0},
        {S, V, 500, 1000, kEmpty, 5, 499, kEmpty},
        // A replay asked for in an ordered mode waits for random mode, and is spent there.
        {M, I, 3, 20, 1, 12, 4, 1}, {M, V, 3, 20, 1, 12, 2, 1}, {M, R, 300, 1000, 1, 7, 7, 0},
        {S, R, 300, 1000, 1, 7, 7, 0}, {M, R, 5, 20, 1, 25, 1, 0}, {M, R, 5, 20, 1, 0, 20, 0},
        {M, R, 5, 20, 1, kEmpty, 20, 0}, {S, R, kEmpty, 1, 0, 5, 1, 0}, {M, V, 40, 1, 0, 5, 1, 0},
        {S, I, -3, 1, 0, 5, 1, 0}, {M, I, 1, 1, 0, 5, 1, 0}, {S, R, 1, 1, 1, 1, 1, 0},
        // No tracks: the rule still ends, on 1, or on 0 in reverse.
        {S, R, 5, 0, 0, 5, 1, 0}, {M, I, kEmpty, kEmpty, 0, 5, 1, 0}, {S, V, 1, 0, 0, 5, 0, 0},
        {M, V, 5, 0, kEmpty, 5, 0, kEmpty},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << &row - rows);
        PlayerState state;
        state.a1 = row.a1;
        state.a2 = number(row.a2);
        state.nmax = number(row.nmax);
        state.b2 = number(row.b2);
        state.a3 = number(row.a3);
        SelectNextTrack(state, row.form);
        EXPECT_EQ((std::array{state.a2.value(), state.a3.value(), state.b2.isEmpty() ? kEmpty : state.b2.value()}),
                  (std::array{row.wantA2, row.wantA2, row.wantB2}));
    }
}

// Random picks lie in 1..nmax, whatever a2 was, and are uniform: 4,000 draws of 4 tracks put
// 1,000 on each give or take 27; a bound of 200 is beyond any honest fluctuation.
TEST(TrackSelection, randomPickIsUniformOverAllTracks)
{
    int counts[5] = {};
    PlayerState state; // a1 empty: random mode, as on a first run
    state.nmax = 4;
    for (int i = 0; i < 4000; ++i) {
        state.a2 = i % 3 == 0 ? 0 : (i % 3 == 1 ? 2 : 99);
        state.b2 = number(i % 2 == 0 ? 0 : kEmpty);
        SelectNextTrack(state, i % 2 == 0 ? S : M);
        const std::int64_t track = state.a2.value();
        ASSERT_TRUE(track >= 1 && track <= 4 && state.a3.value() == track) << track;
        ++counts[track];
    }
    for (int track = 1; track <= 4; ++track)
        EXPECT_NEAR(counts[track], 1000, 200) << "track " << track;
}
