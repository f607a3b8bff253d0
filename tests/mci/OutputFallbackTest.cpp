// The sound output's fallback to SDL's dummy driver. Each test needs a process of its own (the
// output opens once a process), which gtest_discover_tests gives it.

#include "Diagnostics.h"
#include "MediaFixture.h"
#include "mci.h"

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
    setenv("SDL_DISKAUDIOFILE", m_folder.file("no-such-folder/out.raw").c_str(), 1);
    const std::string errors = playOnFallback();
    EXPECT_EQ(countOf(errors, "dummy audio driver"), 1u) << errors;
    EXPECT_EQ(countOf(errors, "sound output on SDL driver \"dummy\""), 1u) << errors;
}

TEST_F(OutputFallback, driverThatFailsToInitialise_fallsBackToTheDummyDriver)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::string errors = playOnFallback();
    EXPECT_EQ(countOf(errors, "dummy audio driver"), 1u) << errors;
}

} // namespace
} // namespace zuvelo::mci::test
