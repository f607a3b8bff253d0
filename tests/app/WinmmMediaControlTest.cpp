#include "app/WinmmMediaControl.h"

#include "WaveFile.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace zuvelo;
using zuvelo::testing::waveFile;

// The platform's own commands: a wave file opens and reports its mode; a reply that does not fit
// is cut, not refused. A status of a file not open opens it by itself: for a file that is no wave
// it fails with that file's error, not "not open", and leaves nothing open.
TEST(WinmmMediaControl, sendsCommandsAndMeetsThePlatformsOwnAnswers)
{
    zuvelo::testing::TemporaryFolder folder;
    folder.write("song.wav", waveFile(8000));
    folder.write("壊れ.wav", "not a wave file");
    const std::string good = "\"" + (folder / "song.wav") + "\"", bad = "\"" + (folder / "壊れ.wav") + "\"";
    WinmmMediaControl media;
    char reply[256] = "junk";
    EXPECT_EQ(media.sendString(("open " + good).c_str(), nullptr, 0), 0u);
    EXPECT_EQ(media.sendString(("status " + good + " mode").c_str(), reply, 255), 0u);
    EXPECT_STREQ(reply, "stopped");
    EXPECT_EQ(media.sendString(("status " + good + " mode").c_str(), reply, 4), 0u);
    EXPECT_STREQ(reply, "sto");
    EXPECT_EQ(media.sendString(("close " + good).c_str(), nullptr, 0), 0u);

    const unsigned long failed = media.sendString(("status " + bad + " mode").c_str(), reply, 255);
    EXPECT_NE(failed, 0u);
    EXPECT_NE(failed, MediaError::kNameNotOpen);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(media.sendString(("close " + bad).c_str(), nullptr, 0), MediaError::kNameNotOpen);
}
