#include "HandlerRig.h"

#include "handlers/MediaSend.h"

#include <QSignalBlocker>

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// A track that ends is closed and the next opened, shown, rewound and played; a playing one only shows in the
// caption. Each tick reads the mode from Combo1 (set without its handler) and sees a click made while it yields.
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
}

} // namespace
} // namespace zuvelo::testing
