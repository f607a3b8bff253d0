#include "RecordingMediaControl.h"

#include <gtest/gtest.h>

#include <cstring>

using zuvelo::testing::RecordingMediaControl;

TEST(RecordingMediaControl, statusQuery_answersModeAndRecordsCapacity)
{
    RecordingMediaControl media;
    media.setMode("playing");
    char reply[255];
    EXPECT_EQ(media.sendString("status \"/m/a.mp3\" mode", reply, sizeof reply), 0u);
    EXPECT_STREQ(reply, "playing");
    ASSERT_EQ(media.calls().size(), 1u);
    EXPECT_EQ(media.calls()[0].replyCapacity, 255u);
    EXPECT_TRUE(media.calls()[0].replyBufferGiven);
}

TEST(RecordingMediaControl, reply_isCutToCapacityAndTerminated)
{
    RecordingMediaControl media;
    media.setMode("playing");
    char reply[8];
    std::memset(reply, 'x', sizeof reply);
    media.sendString("status d mode", reply, 4);
    EXPECT_STREQ(reply, "pla");
    EXPECT_EQ(reply[4], 'x'); // nothing written past the capacity

    media.sendString("status d mode", reply, 1);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(media.sendString("status d mode", nullptr, 0), 0u); // no buffer: nothing written
}

TEST(RecordingMediaControl, statusFailure_leavesReplyUntouched)
{
    RecordingMediaControl media;
    media.setMode("playing");
    media.failStatusWith(263);
    char reply[16] = "previous";
    EXPECT_EQ(media.sendString("status d mode", reply, sizeof reply), 263u);
    EXPECT_STREQ(reply, "previous");
    EXPECT_EQ(media.sendString("play d", nullptr, 0), 0u); // other commands unaffected
}

TEST(RecordingMediaControl, chosenFailures_applyToTheirCommandsOnly)
{
    RecordingMediaControl media;
    media.failCommand("play d", 277);
    EXPECT_EQ(media.sendString("play d", nullptr, 0), 277u);
    EXPECT_EQ(media.sendString("stop d", nullptr, 0), 0u);
    media.failCommandsWith(5);
    EXPECT_EQ(media.sendString("stop d", nullptr, 0), 5u);
    EXPECT_EQ(media.sendString("status d mode", nullptr, 0), 0u);
    media.failCommand("play d", 0);
    EXPECT_EQ(media.sendString("play d", nullptr, 0), 5u);
}

TEST(RecordingMediaControl, recording_keepsOrderAndSeparatesQueries)
{
    RecordingMediaControl media;
    media.sendString("Open d", nullptr, 0);
    media.sendString("status d mode", nullptr, 0);
    media.sendString("play d", nullptr, 0);
    media.sendString("play d", nullptr, 0);
    EXPECT_EQ(media.commands(), (std::vector<std::string>{"Open d", "status d mode", "play d", "play d"}));
    EXPECT_EQ(media.actions(), (std::vector<std::string>{"Open d", "play d", "play d"}));
    EXPECT_EQ(media.count("play d"), 2);
    EXPECT_FALSE(RecordingMediaControl::isStatusQuery("status d"));
    EXPECT_FALSE(RecordingMediaControl::isStatusQuery("play d mode"));
    media.clearCalls();
    EXPECT_TRUE(media.calls().empty());
}
