#include "player/TrackSelection.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace zuvelo;

namespace {

constexpr int kEmpty = -999999; // marks a variable left unassigned in the tables below

PlayerNumber number(int value)
{
    return value == kEmpty ? PlayerNumber{} : PlayerNumber{value};
}

struct Selection {
    int a1;
    int a2;
    int nmax;
    int b2 = kEmpty;
    int a3 = kEmpty;
};

PlayerState run(const Selection& input, SelectionForm form)
{
    PlayerState state;
    state.a1 = number(input.a1);
    state.a2 = number(input.a2);
    state.nmax = number(input.nmax);
    state.b2 = number(input.b2);
    state.a3 = number(input.a3);
    SelectNextTrack(state, form);
    return state;
}

const char* name(SelectionForm form)
{
    return form == SelectionForm::Startup ? "start-up" : "monitor";
}

constexpr SelectionForm kBothForms[] = {SelectionForm::Startup, SelectionForm::Monitor};

} // namespace

// With a2 already in range both forms agree: in order steps up, reverse steps down, wrapping at
// the ends, and a3 follows a2. A pending replay flag is neither read nor cleared in these modes.
TEST(TrackSelection, orderedModes_stepAndWrapWithinRange_inBothForms)
{
    for (SelectionForm form : kBothForms) {
        for (int b2 : {kEmpty, 0, 1}) {
            for (int a2 = 1; a2 <= 20; ++a2) {
                SCOPED_TRACE(testing::Message() << name(form) << " a2=" << a2 << " b2=" << b2);
                const PlayerState inOrder = run({kModeInOrder, a2, 20, b2, 5}, form);
                EXPECT_EQ(inOrder.a2.value(), a2 == 20 ? 1 : a2 + 1);
                EXPECT_EQ(inOrder.a3.value(), inOrder.a2.value());
                EXPECT_EQ(inOrder.b2.isEmpty(), b2 == kEmpty);
                EXPECT_EQ(inOrder.b2.value(), b2 == kEmpty ? 0 : b2);

                const PlayerState reverse = run({kModeReverse, a2, 20, b2, 5}, form);
                EXPECT_EQ(reverse.a2.value(), a2 == 1 ? 20 : a2 - 1);
                EXPECT_EQ(reverse.a3.value(), reverse.a2.value());
                EXPECT_EQ(reverse.b2.value(), b2 == kEmpty ? 0 : b2);
            }
        }
    }
}

// Out-of-range entry values: start-up saturates before stepping, the monitor wraps.
TEST(TrackSelection, outOfRangeEntry_startupSaturatesAndMonitorWraps)
{
    struct Row {
        int a2;
        int mode;
        int startup;
        int monitor;
    };
    const Row rows[] = {
        {37, kModeInOrder, 1, 2},     {37, kModeReverse, 19, 20},       {0, kModeInOrder, 2, 1},
        {kEmpty, kModeInOrder, 2, 1}, {0, kModeReverse, 20, 19},        {kEmpty, kModeReverse, 20, 19},
        {21, kModeReverse, 19, 20},   {21, kModeInOrder, 1, 2},         {-5, kModeInOrder, 2, 1},
        {-5, kModeReverse, 20, 19},   {2147483647, kModeInOrder, 1, 2}, {-2147483647 - 1, kModeReverse, 20, 19},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "a2=" << row.a2 << " mode=" << row.mode);
        const PlayerState startup = run({row.mode, row.a2, 20}, SelectionForm::Startup);
        EXPECT_EQ(startup.a2.value(), row.startup);
        EXPECT_EQ(startup.a3.value(), row.startup);
        const PlayerState monitor = run({row.mode, row.a2, 20}, SelectionForm::Monitor);
        EXPECT_EQ(monitor.a2.value(), row.monitor);
        EXPECT_EQ(monitor.a3.value(), row.monitor);
    }
}

// The values 0 and nmax + 1 that the buttons leave at the ends of the table.
TEST(TrackSelection, monitorForm_absorbsButtonValuesAtTheEnds)
{
    EXPECT_EQ(run({kModeReverse, 0, 20}, SelectionForm::Monitor).a2.value(), 19);
    EXPECT_EQ(run({kModeReverse, 21, 20}, SelectionForm::Monitor).a2.value(), 20);
    EXPECT_EQ(run({kModeInOrder, 21, 20}, SelectionForm::Monitor).a2.value(), 2);
    EXPECT_EQ(run({kModeInOrder, 0, 20}, SelectionForm::Monitor).a2.value(), 1);
}

TEST(TrackSelection, singleTrack_isAlwaysChosen)
{
    for (SelectionForm form : kBothForms) {
        for (int mode : {kModeRandom, kModeInOrder, kModeReverse}) {
            for (int a2 : {kEmpty, -3, 0, 1, 2, 40}) {
                SCOPED_TRACE(testing::Message() << name(form) << " mode=" << mode << " a2=" << a2);
                const PlayerState state = run({mode, a2, 1}, form);
                EXPECT_EQ(state.a2.value(), 1);
                EXPECT_EQ(state.a3.value(), 1);
            }
        }
        // A replay of track 1 stays track 1.
        EXPECT_EQ(run({kModeRandom, 1, 1, 1, 1}, form).a2.value(), 1);
    }
}

// No tracks: the rule must still end, on 1 in random and in-order mode and on 0 in reverse.
TEST(TrackSelection, noTracks_givesOneOrZeroWithoutFailing)
{
    for (SelectionForm form : kBothForms) {
        for (int a2 : {kEmpty, 0, 1, 5, -2}) {
            SCOPED_TRACE(testing::Message() << name(form) << " a2=" << a2);
            EXPECT_EQ(run({kModeRandom, a2, 0}, form).a2.value(), 1);
            EXPECT_EQ(run({kModeInOrder, a2, 0}, form).a2.value(), 1);
            const PlayerState reverse = run({kModeReverse, a2, 0}, form);
            EXPECT_EQ(reverse.a2.value(), 0);
            EXPECT_EQ(reverse.a3.value(), 0);
        }
    }
    // An unset track count counts as 0 too.
    PlayerState state;
    state.a1 = kModeInOrder;
    SelectNextTrack(state, SelectionForm::Startup);
    EXPECT_EQ(state.a2.value(), 1);
}

TEST(TrackSelection, replayFlag_inRandomMode_restartsLastTrackOnceThenDrawsAgain)
{
    for (SelectionForm form : kBothForms) {
        SCOPED_TRACE(name(form));
        PlayerState state;
        state.a1 = kModeRandom;
        state.nmax = 1000;
        state.a2 = 300;
        state.a3 = 7;
        state.b2 = 1;
        SelectNextTrack(state, form);
        EXPECT_EQ(state.a2.value(), 7);
        EXPECT_EQ(state.a3.value(), 7);
        EXPECT_FALSE(state.b2.isEmpty());
        EXPECT_EQ(state.b2.value(), 0);

        // The flag is spent: the following selections draw. Twenty draws of 1,000 tracks all
        // landing on 7 would take odds of 10^-60.
        bool drewAnother = false;
        for (int i = 0; i < 20; ++i) {
            SelectNextTrack(state, SelectionForm::Monitor);
            EXPECT_EQ(state.b2.value(), 0);
            drewAnother = drewAnother || state.a2.value() != 7;
        }
        EXPECT_TRUE(drewAnother);
    }
}

TEST(TrackSelection, replayFlag_setInOrderedMode_staysPendingUntilRandomMode)
{
    PlayerState state;
    state.nmax = 20;
    state.a1 = kModeInOrder;
    state.a2 = 3;
    state.a3 = 3;
    state.b2 = 1;
    SelectNextTrack(state, SelectionForm::Monitor);
    EXPECT_EQ(state.a2.value(), 4);
    EXPECT_EQ(state.b2.value(), 1);
    state.a1 = kModeReverse;
    SelectNextTrack(state, SelectionForm::Monitor);
    EXPECT_EQ(state.a2.value(), 3);
    EXPECT_EQ(state.b2.value(), 1);

    state.a3 = 12; // the track the user asked to hear again
    state.a1 = kModeRandom;
    SelectNextTrack(state, SelectionForm::Monitor);
    EXPECT_EQ(state.a2.value(), 12);
    EXPECT_EQ(state.a3.value(), 12);
    EXPECT_EQ(state.b2.value(), 0);
}

// A replayed a3 that lies outside the table is wrapped like any other value.
TEST(TrackSelection, replayOfOutOfRangeTrack_isWrapped)
{
    EXPECT_EQ(run({kModeRandom, 5, 20, 1, 25}, SelectionForm::Monitor).a2.value(), 1);
    EXPECT_EQ(run({kModeRandom, 5, 20, 1, 0}, SelectionForm::Monitor).a2.value(), 20);
    EXPECT_EQ(run({kModeRandom, 5, 20, 1, kEmpty}, SelectionForm::Monitor).a2.value(), 20);
}

// Random picks stay within 1..nmax, reach both ends, may repeat the track just played, and are
// roughly uniform. The chi-square bound is far beyond any honest fluctuation (for 19 degrees of
// freedom the chance of exceeding 100 is below 10^-11) but far below what a biased or
// off-by-one pick produces.
TEST(TrackSelection, randomPick_isUniformOverAllTracks)
{
    constexpr int kTracks = 20;
    constexpr int kDraws = 40000;
    std::vector<int> counts(kTracks + 2, 0);
    PlayerState state; // one table for all draws: building 50,001 entries each time is slow
    state.a1 = kModeRandom;
    state.nmax = kTracks;
    for (SelectionForm form : kBothForms) {
        for (int i = 0; i < kDraws / 2; ++i) {
            // Entry values out of range as well: the pick replaces whatever step 1 left.
            const int entry = i % 3 == 0 ? 0 : (i % 3 == 1 ? 5 : 99);
            const int b2 = i % 2 == 0 ? 0 : kEmpty;
            state.a2 = number(entry);
            state.b2 = number(b2);
            SelectNextTrack(state, form);
            const int track = static_cast<int>(state.a2.value());
            ASSERT_GE(track, 1);
            ASSERT_LE(track, kTracks);
            ASSERT_EQ(state.a3.value(), track);
            ++counts[track];
        }
    }
    const double expected = static_cast<double>(kDraws) / kTracks;
    double chiSquare = 0;
    for (int track = 1; track <= kTracks; ++track) {
        EXPECT_GT(counts[track], 0) << "track " << track << " never drawn";
        const double diff = counts[track] - expected;
        chiSquare += diff * diff / expected;
    }
    EXPECT_LT(chiSquare, 100.0);
}

TEST(TrackSelection, randomPick_staysInRangeForTheLargestTable)
{
    bool upperHalf = false;
    bool lowerHalf = false;
    PlayerState state;
    state.a1 = kModeRandom;
    state.nmax = kMaxTracks;
    for (int i = 0; i < 2000; ++i) {
        SelectNextTrack(state, SelectionForm::Monitor);
        ASSERT_GE(state.a2.value(), 1);
        ASSERT_LE(state.a2.value(), kMaxTracks);
        upperHalf = upperHalf || state.a2.value() > kMaxTracks / 2;
        lowerHalf = lowerHalf || state.a2.value() <= kMaxTracks / 2;
    }
    EXPECT_TRUE(upperHalf && lowerHalf);
}
