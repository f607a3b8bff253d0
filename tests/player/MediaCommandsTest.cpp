#include "player/MediaCommands.h"

#include <gtest/gtest.h>

using namespace zuvelo;

// The media layer matches these texts exactly, so every byte counts: verb spelling and case,
// the single blanks, the keywords after the device name.
TEST(MediaCommands, everyCommand_isVerbBlankDeviceAndKeywordsExactly)
{
    const std::string device = "\"/opt/zuvelo/Jazz/take five.mp3\"";
    EXPECT_EQ(openCommand(device), "Open \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(openLowercaseCommand(device), "open \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(playCommand(device), "play \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(pauseCommand(device), "pause \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(stopCommand(device), "stop \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(seekToStartCommand(device), "seek \"/opt/zuvelo/Jazz/take five.mp3\" to start");
    EXPECT_EQ(closeCommand(device), "close \"/opt/zuvelo/Jazz/take five.mp3\"");
    EXPECT_EQ(statusModeCommand(device), "status \"/opt/zuvelo/Jazz/take five.mp3\" mode");
    EXPECT_EQ(statusLengthCommand(device), "status \"/opt/zuvelo/Jazz/take five.mp3\" length");
    EXPECT_EQ(statusPositionCommand(device), "status \"/opt/zuvelo/Jazz/take five.mp3\" position");
}

TEST(MediaCommands, deviceBytes_arePassedThroughUntouched)
{
    // Japanese name, an embedded quote and a byte that is not UTF-8: nothing is escaped or recoded.
    const std::string device = "\"/m/\xE9\x9F\xB3\xE6\xA5\xBD/it's \"x\"\xFF.mid\"";
    EXPECT_EQ(playCommand(device), "play " + device);
    EXPECT_EQ(statusModeCommand(device), "status " + device + " mode");
    EXPECT_EQ(seekToStartCommand(device).size(), device.size() + 14);

    // With nothing chosen yet the device is empty and the texts still have their fixed parts.
    EXPECT_EQ(closeCommand(""), "close ");
    EXPECT_EQ(statusModeCommand(""), "status  mode");
}
