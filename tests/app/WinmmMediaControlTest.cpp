#include "app/WinmmMediaControl.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace zuvelo;

namespace {

// A 16-bit mono PCM wave file of `frames` silent frames at 8,000 Hz.
std::string silentWave(std::uint32_t frames)
{
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += char(value >> (8 * i));
    };
    bytes += "RIFF", put(36 + 2 * frames, 4), bytes += "WAVEfmt ", put(16, 4), put(1, 2), put(1, 2);
    put(8000, 4), put(16000, 4), put(2, 2), put(16, 2), bytes += "data", put(2 * frames, 4);
    return bytes + std::string(2 * frames, '\0');
}

} // namespace

// The platform's own commands: a wave file opens, reports its mode, and a reply
// that does not fit is cut rather than refused. A status of a file that is not open opens it by
// itself: for a file that is no wave it fails with that file's error, not "not open", and leaves
// nothing open.
TEST(WinmmMediaControl, sendsCommandsAndMeetsThePlatformsOwnAnswers)
{
    zuvelo::testing::TemporaryFolder folder;
    folder.write("song.wav", silentWave(8000));
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
