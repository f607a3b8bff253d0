#include "HandlerRig.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zuvelo::testing {
namespace {

constexpr int kRandom = 0, kInOrder = 1, kReverse = 2;
constexpr unsigned long kNotOpen = zuvelo::MediaError::kNameNotOpen;
constexpr unsigned long kFileNotFound = 275;

TEST(PlaybackMonitor, aTrackThatEnded_isClosedAndTheNextOpenedShownRewoundAndPlayed)
{
    HandlerRig rig;
    rig.playing(5, kInOrder, 2);
    rig.media.setMode("stopped");
    ASSERT_EQ(rig.tick(), 3);
    const std::string old = HandlerRig::device(2), next = HandlerRig::device(3);
    EXPECT_EQ(rig.media.commands(), (std::vector<std::string>{"status " + old + " mode", "close " + old, "Open " + next,
                                                              "seek " + next + " to start", "play " + next}));
    const auto& calls = rig.media.calls();
    EXPECT_EQ(calls[2].replyCapacity, 0u);
    for (std::size_t i : {0u, 1u, 3u, 4u})
        EXPECT_EQ(calls[i].replyCapacity, 255u) << calls[i].command;
    EXPECT_EQ(rig.state.SoundFile, next);
    EXPECT_EQ(rig.state.a3.value(), 3);
    EXPECT_EQ(rig.form.caption, "Zuvelostopped");
    EXPECT_EQ(rig.form.printedTexts(), (std::vector<std::string>{"/m/t3.mp3", "全 5 曲"}));
    EXPECT_EQ(rig.form.hScrollValue, 3);
    EXPECT_EQ(rig.form.text1, "3");

    // Playing now: the following ticks only report.
    rig.media.clearCalls();
    EXPECT_EQ(rig.tick(), 0);
    EXPECT_EQ(rig.media.commands(), std::vector<std::string>{"status " + next + " mode"});
    EXPECT_EQ(rig.form.caption, "Zuveloplaying");
}

TEST(PlaybackMonitor, advancesOnlyOnARepliedStoppedWhileNotPaused)
{
    struct Case {
        const char* reply;
        int b1;
        bool advances;
    };
    for (const Case& c :
         {Case{"stopped", 0, true}, Case{"stopped", 1, false}, Case{"playing", 0, false}, Case{"paused", 0, false},
          Case{"Stopped", 0, false}, Case{"stoppe", 0, false}, Case{"stopped now", 0, true}, Case{"", 0, false}}) {
        HandlerRig rig;
        rig.playing(4, kInOrder, 1);
        rig.state.b1 = c.b1;
        rig.media.setMode(c.reply);
        EXPECT_EQ(rig.tick() != 0, c.advances) << "'" << c.reply << "' b1=" << c.b1;
        EXPECT_EQ(rig.form.caption, std::string("Zuvelo") + c.reply);
    }
}

TEST(PlaybackMonitor, takesTheModeFromCombo1OnEveryTick)
{
    HandlerRig rig;
    rig.playing(6, kRandom, 3);
    rig.form.combo1 = "逆順"; // as if set without the change handler
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 2);
    EXPECT_EQ(rig.state.a1.value(), kReverse);

    rig.form.combo1 = "something else";
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 1);
    EXPECT_EQ(rig.state.a1.value(), kReverse);
}

TEST(PlaybackMonitor, aFailedStatusQueryShowsTheTitleAlone)
{
    HandlerRig rig;
    rig.playing(0, kRandom, 1);
    rig.state.SoundFile = "\"/p\"";
    rig.media.failStatusWith(kNotOpen);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rig.tick(), 0) << "with no tracks nothing is passed over";
    EXPECT_EQ(rig.form.caption, "Zuvelo");
    EXPECT_EQ(rig.form.captionWrites, 1) << "an unchanged caption is not written again";
}

TEST(PlaybackMonitor, aClickDuringTheYieldIsSeenByTheSameTick)
{
    HandlerRig rig;
    rig.playing(7, kInOrder, 4);
    rig.ctx.yieldToEvents = [&] { rig.handlers.command3Click(); };
    EXPECT_EQ(rig.tick(), 3) << "previous, acted on at once";
    rig.ctx.yieldToEvents = [&] { rig.handlers.command4Click(); };
    rig.media.setMode("playing");
    EXPECT_EQ(rig.tick(), 0);
    EXPECT_EQ(rig.form.caption, "Zuvelopaused");
}

TEST(PlaybackMonitor, randomModeMayStartTheTrackThatEnded_closingAndReopeningIt)
{
    HandlerRig rig;
    rig.playing(1, kRandom, 1);
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 1);
    const std::string dev = HandlerRig::device(1);
    EXPECT_EQ(rig.media.count("close " + dev), 1);
    EXPECT_EQ(rig.media.count("Open " + dev), 1);
    EXPECT_EQ(rig.media.count("seek " + dev + " to start"), 1);
}

// A stand-in for a library where some files cannot be opened: their open fails, and any later
// command on their name answers "not open".
struct BadTracks {
    static void mark(HandlerRig& rig, int n)
    {
        const std::string dev = HandlerRig::device(n);
        rig.media.failCommand("Open " + dev, kFileNotFound);
        for (const std::string& verb : {"status " + dev + " mode", "seek " + dev + " to start", "play " + dev,
                                        "close " + dev, "stop " + dev, "pause " + dev})
            rig.media.failCommand(verb, kNotOpen);
    }
    // The file is back: every command on it works again.
    static void mend(HandlerRig& rig, int n)
    {
        const std::string dev = HandlerRig::device(n);
        for (const std::string& command : {"Open " + dev, "status " + dev + " mode", "seek " + dev + " to start",
                                           "play " + dev, "close " + dev, "stop " + dev, "pause " + dev})
            rig.media.failCommand(command, 0);
    }
};

TEST(PlaybackMonitor, passesOverATrackThatCannotBeOpened)
{
    HandlerRig rig;
    rig.playing(4, kInOrder, 1);
    BadTracks::mark(rig, 2);
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 2);
    EXPECT_EQ(rig.tick(), 3) << "track 2 never opened: it is passed over";
    EXPECT_EQ(rig.tick(), 0) << "track 3 plays";
    EXPECT_EQ(rig.form.text1, "3");
}

// Runs ticks and returns the numbers of the tracks they opened.
std::vector<int> openedIn(HandlerRig& rig, int ticks)
{
    std::vector<int> opened;
    for (int i = 0; i < ticks; ++i)
        if (int t = rig.tick())
            opened.push_back(t);
    return opened;
}

TEST(PlaybackMonitor, aFolderOfBadFilesIsTriedOnceThenSlowlyUntilTheUserActs)
{
    HandlerRig rig;
    rig.playing(3, kInOrder, 1);
    for (int n = 1; n <= 3; ++n)
        BadTracks::mark(rig, n);
    EXPECT_EQ(openedIn(rig, 12), (std::vector<int>{2, 3})) << "each of the three tried once, then no more";

    // One track every five seconds, in the mode's order.
    rig.clock += std::chrono::milliseconds(4900);
    EXPECT_EQ(openedIn(rig, 3), std::vector<int>{});
    rig.clock += std::chrono::milliseconds(100);
    EXPECT_EQ(openedIn(rig, 3), std::vector<int>{1});
    rig.clock += std::chrono::seconds(5);
    EXPECT_EQ(openedIn(rig, 3), std::vector<int>{2});

    rig.handlers.command1Click();
    EXPECT_EQ(openedIn(rig, 12), (std::vector<int>{3, 1})) << "a button starts another round";
    rig.handlers.lisClick();
    EXPECT_EQ(openedIn(rig, 12), (std::vector<int>{2, 3})) << "so does any menu item";
}

TEST(PlaybackMonitor, aLibraryThatComesBackPlaysAgainByItself)
{
    HandlerRig rig;
    rig.playing(3, kInOrder, 1);
    for (int n = 1; n <= 3; ++n)
        BadTracks::mark(rig, n);
    EXPECT_EQ(openedIn(rig, 5), (std::vector<int>{2, 3}));
    // The files are back; track 3, which failed to open, still is not open.
    BadTracks::mend(rig, 1);
    BadTracks::mend(rig, 2);
    rig.clock += std::chrono::seconds(5);
    EXPECT_EQ(openedIn(rig, 3), std::vector<int>{1}) << "it plays";
    // Playing cleared the record: a track failing again is passed over at once.
    BadTracks::mark(rig, 2);
    rig.media.setMode("stopped");
    EXPECT_EQ(openedIn(rig, 2), (std::vector<int>{2, 3}));
}

TEST(PlaybackMonitor, aPausedBadTrackIsNotPassedOver)
{
    HandlerRig rig;
    rig.playing(3, kInOrder, 1);
    BadTracks::mark(rig, 1);
    rig.handlers.command4Click();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rig.tick(), 0);
}

TEST(PlaybackMonitor, aGoodTrackBetweenBadOnesStartsTheCountAfresh)
{
    HandlerRig rig;
    rig.playing(3, kInOrder, 3);
    BadTracks::mark(rig, 1);
    BadTracks::mark(rig, 2);
    rig.media.setMode("stopped");
    // 3 ends -> 1 (bad) -> 2 (bad) -> 3 plays; it ends -> 1 -> 2 -> 3 again.
    std::vector<int> opened;
    for (int i = 0; i < 4; ++i) {
        opened.push_back(rig.tick());
    }
    EXPECT_EQ(opened, (std::vector<int>{1, 2, 3, 0}));
    rig.media.setMode("stopped");
    opened.clear();
    for (int i = 0; i < 3; ++i)
        opened.push_back(rig.tick());
    EXPECT_EQ(opened, (std::vector<int>{1, 2, 3}));
}

} // namespace
} // namespace zuvelo::testing
