#include "HandlerRig.h"

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

constexpr int kRandom = 0, kInOrder = 1, kReverse = 2;

TEST(ModeMenu, junAndGya_stopAtOnceAndRestartFromTheirEnd)
{
    HandlerRig rig;
    rig.playing(10, kRandom, 7);
    rig.handlers.junClick();
    EXPECT_EQ(rig.state.a1.value(), kInOrder);
    EXPECT_EQ(rig.form.combo1, "順番");
    EXPECT_EQ(rig.media.commands(), std::vector<std::string>{"stop " + HandlerRig::device(7)});
    EXPECT_EQ(rig.media.calls()[0].replyCapacity, 255u);
    EXPECT_EQ(rig.tick(), 2);
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 3);

    rig.handlers.gyaClick();
    EXPECT_EQ(rig.state.a2.value(), 10);
    EXPECT_EQ(rig.form.combo1, "逆順");
    EXPECT_EQ(rig.tick(), 9);
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 8);
}

TEST(ModeMenu, withOneTrack_everyItemRestartsIt)
{
    for (auto item : {&PlayerHandlers::raClick, &PlayerHandlers::junClick, &PlayerHandlers::gyaClick}) {
        HandlerRig rig;
        rig.playing(1, kInOrder, 1);
        (rig.handlers.*item)();
        EXPECT_EQ(rig.tick(), 1);
    }
}

TEST(ModeMenu, ra_honoursAPendingReplayAndEndsAPause)
{
    HandlerRig rig;
    rig.playing(9, kInOrder, 6);
    rig.handlers.command4Click();
    rig.state.b2 = 1;
    rig.handlers.raClick();
    EXPECT_EQ(rig.state.b1.value(), 0);
    EXPECT_EQ(rig.state.a1.value(), kRandom);
    EXPECT_EQ(rig.form.combo1, "ランダム");
    EXPECT_EQ(rig.tick(), 6);
    EXPECT_EQ(rig.state.b2.value(), 0);
}

// Counts the Combo1 change handler's runs while still running it.
struct CountingHandlers : PlayerHandlers {
    using PlayerHandlers::PlayerHandlers;
    int combo1Changes = 0;
    void combo1Change() override
    {
        ++combo1Changes;
        PlayerHandlers::combo1Change();
    }
};

TEST(ModeMenu, showingTheSameModeNameRunsNoChangeHandler)
{
    HandlerRig rig;
    CountingHandlers counting(rig.ctx, {}, {});
    rig.form.events = &counting;
    rig.playing(5, kInOrder, 2);
    counting.junClick();
    EXPECT_EQ(counting.combo1Changes, 0);
    counting.gyaClick();
    EXPECT_EQ(counting.combo1Changes, 1);
}

TEST(Combo1, typingAModeNameSetsTheModeButPlaybackGoesOn)
{
    HandlerRig rig;
    rig.playing(10, kRandom, 4);
    rig.form.typeIntoCombo1("順");
    EXPECT_EQ(rig.state.a1.value(), kRandom) << "a partial name changes nothing";
    rig.form.typeIntoCombo1("順番 ");
    EXPECT_EQ(rig.state.a1.value(), kRandom) << "no trimming";
    rig.form.typeIntoCombo1("順番");
    EXPECT_EQ(rig.state.a1.value(), kInOrder);
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.tick(), 0) << "the current track plays on";
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 5);
}

TEST(HScroll1, movingItSetsTheTrackNumberShownAndFollowedNext)
{
    HandlerRig rig;
    rig.playing(12, kInOrder, 9);
    rig.form.moveHScroll1(5);
    EXPECT_EQ(rig.state.a2.value(), 5);
    EXPECT_EQ(rig.form.text1, "5");
    EXPECT_EQ(rig.form.hScrollMinimum, 1);
    EXPECT_EQ(rig.form.hScrollMaximum, 12);
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.tick(), 0) << "track 9 plays to its end";
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 6);

    rig.form.moveHScroll1(12);
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 1);
}

TEST(HScroll1, holdsTrackNumbersBeyondSixteenBits)
{
    HandlerRig rig;
    rig.playing(kMaxTracks, kInOrder, 40000);
    rig.form.hScrollMaximum = kMaxTracks;
    rig.form.moveHScroll1(45000);
    EXPECT_EQ(rig.state.a2.value(), 45000);
    EXPECT_EQ(rig.form.hScrollMaximum, kMaxTracks);
    EXPECT_EQ(rig.form.text1, "45000");
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 45001);
    EXPECT_EQ(rig.form.hScrollValue, 45001);
    EXPECT_EQ(rig.form.text1, "45001");
}

TEST(HScroll1, withNoTracks_neverHandsBackTrackZero)
{
    HandlerRig rig;
    rig.playing(0, kInOrder, 0);
    rig.form.hScrollMinimum = 0;
    rig.form.hScrollMaximum = kMaxTracks;
    rig.form.moveHScroll1(3);
    EXPECT_EQ(rig.state.a2.value(), 1);
    EXPECT_EQ(rig.form.text1, "1");
}

TEST(Text1, typingIntoItShowsTheTrackNumberAgain)
{
    HandlerRig rig;
    rig.playing(10, kInOrder, 7);
    rig.form.typeIntoText1("73");
    EXPECT_EQ(rig.form.text1, "7");
    rig.form.typeIntoText1("");
    EXPECT_EQ(rig.form.text1, "7");
    EXPECT_EQ(rig.state.a2.value(), 7);
    EXPECT_TRUE(rig.media.commands().empty());
}

} // namespace
} // namespace zuvelo::testing
