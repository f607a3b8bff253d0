// Tests that need a process of their own, which gtest_discover_tests gives each test: the sound
// output's fallback to SDL's dummy driver (the output opens once a process), and the exit with
// devices still playing.

#include "MediaFixture.h"
#include "SmfWriter.h"

#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zuvelo::mci::test {
namespace {

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class OutputFallback : public MediaTest {
protected:
    void SetUp() override
    {
        if (mciOutputBufferFrames() != 0)
            GTEST_SKIP() << "the output is already open in this process; run this test on its own";
    }

    // Opens and plays a short tone, expecting the output on the dummy driver, and returns what
    // the layer wrote on stderr.
    std::string playOnFallback()
    {
        const std::string device = quoted(encode("tone.wav", "sine=frequency=440:duration=0.3"));
        ::testing::internal::CaptureStderr();
        const unsigned long opened = mciSendString(("open " + device).c_str(), nullptr, 0, nullptr);
        const unsigned long played = mciSendString(("play " + device).c_str(), nullptr, 0, nullptr);
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(opened, 0u);
        EXPECT_EQ(played, 0u);
        EXPECT_STREQ(mciOutputDriverName(), "dummy");
        // Playback goes on as on a sound card, to its end.
        EXPECT_TRUE(waitForMode(device, "stopped"));
        EXPECT_NEAR(statusNumber(device, "position"), 300, 40);
        send("close " + device);
        return errors;
    }
};

TEST_F(OutputFallback, deviceThatFailsToOpen_fallsBackToTheDummyDriver)
{
    // The disk driver initialises fine but cannot open its file: the case of a machine whose
    // audio system is there but has no device.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (m_folder / "no-such-folder/out.raw").c_str(), 1);
    const std::string errors = playOnFallback();
    EXPECT_EQ(countOf(errors, "dummy audio driver"), 1u) << errors;
}

TEST_F(OutputFallback, driverThatFailsToInitialise_fallsBackToTheDummyDriver)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::string errors = playOnFallback();
    EXPECT_EQ(countOf(errors, "dummy audio driver"), 1u) << errors;
}

// Leaves its devices playing, so it needs a process of its own too.
class ProcessExit : public MediaTest {};

TEST_F(ProcessExit, withDevicesStillPlaying_endsCleanly)
{
    // The process ends with these open and playing; the exit hook stops their threads before
    // SDL and FFmpeg go away (a crash or a sanitizer report at exit fails the test).
    const std::string wave = quoted(encode("a.wav", "sine=frequency=440:duration=2"));
    const std::string mpeg = quoted(encode("b.mp3", "sine=frequency=440:duration=2"));
    SmfWriter tune;
    const int track = tune.addTrack();
    tune.note(track, 0, 1920, 0, 60, 100);
    const std::string midi = quoted(writeBytes("c.mid", tune.bytes()));
    for (const std::string& device : {wave, mpeg, midi}) {
        send("open " + device);
        send("play " + device);
    }
    ASSERT_TRUE(waitForPosition(wave, 50));
    EXPECT_EQ(status(mpeg, "mode"), "playing");
    EXPECT_EQ(status(midi, "mode"), "playing");
}

} // namespace
} // namespace zuvelo::mci::test
