// mciSendString end to end: open failures, names, replies and state errors, on real files.

#include "DeviceKind.h"
#include "MediaFixture.h"

#include "mci/mci.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace zuvelo::mci::test {
namespace {

unsigned long sendRaw(const std::string& command, char* reply = nullptr, unsigned capacity = 0)
{
    return mciSendString(command.c_str(), reply, capacity, nullptr);
}

std::vector<std::uint8_t> randomBytes(std::size_t count)
{
    std::mt19937 generator(20261206);
    std::vector<std::uint8_t> bytes(count);
    for (auto& byte : bytes)
        byte = std::uint8_t(generator());
    return bytes;
}

// A wav of eight 16-bit mono samples whose header claims sampleRate samples a second.
std::vector<std::uint8_t> waveWithRate(std::uint32_t sampleRate)
{
    std::vector<std::uint8_t> bytes;
    auto text = [&](const char* four) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(std::uint8_t(four[i]));
    };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        bytes.push_back(std::uint8_t(v));
        bytes.push_back(std::uint8_t(v >> 8));
    };
    text("RIFF");
    u32(36 + 16);
    text("WAVE");
    text("fmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(sampleRate);
    u32(sampleRate * 2);
    u16(2);
    u16(16);
    text("data");
    u32(16);
    for (int i = 0; i < 8; ++i)
        u16(std::uint16_t(i * 3000));
    return bytes;
}

class Commands : public MediaTest {
protected:
    // Expects open to fail with error and leave nothing open under that name.
    void expectOpenFails(const std::string& path, unsigned long error)
    {
        const std::string device = quoted(path);
        EXPECT_EQ(sendRaw("open " + device), error) << path;
        char reply[255];
        EXPECT_EQ(sendRaw("status " + device + " mode", reply, sizeof reply), unsigned(MCIERR_INVALID_DEVICE_NAME))
            << path;
    }
};

TEST(DeviceKind, isChosenByTheNameTailInAnyCase)
{
    EXPECT_EQ(deviceKindFor("/m/a.wav"), DeviceKind::WaveAudio);
    EXPECT_EQ(deviceKindFor("/m/A.WAV"), DeviceKind::WaveAudio);
    EXPECT_EQ(deviceKindFor("/m/xwav"), DeviceKind::WaveAudio);
    EXPECT_EQ(deviceKindFor("/m/a.mid"), DeviceKind::Sequencer);
    EXPECT_EQ(deviceKindFor("/m/a.MIDI"), DeviceKind::Sequencer);
    EXPECT_EQ(deviceKindFor("/m/a.mp3"), DeviceKind::MpegVideo);
    EXPECT_EQ(deviceKindFor("/m/a.wma"), DeviceKind::MpegVideo);
    EXPECT_EQ(deviceKindFor("/m/a.mp2"), DeviceKind::MpegVideo);
    EXPECT_EQ(deviceKindFor("/m/a.wav.mp3"), DeviceKind::MpegVideo);
}

TEST_F(Commands, openOfAFileThatIsNotThere_failsWithFileNotFound)
{
    expectOpenFails(m_folder / "missing.mp3", MCIERR_FILE_NOT_FOUND);
    expectOpenFails(m_folder / "missing.wav", MCIERR_FILE_NOT_FOUND);
    expectOpenFails(m_folder / "missing.mid", MCIERR_FILE_NOT_FOUND);
}

TEST_F(Commands, openOfWhatDoesNotDecode_failsWithTheKindsError)
{
    for (const char* folder : {"folder.wav", "folder.mid", "folder.mp3"})
        std::filesystem::create_directory(m_folder / folder);
    expectOpenFails(m_folder / "folder.wav", MCIERR_INVALID_FILE);
    expectOpenFails(m_folder / "folder.mid", MCIERR_INVALID_FILE);
    expectOpenFails(m_folder / "folder.mp3", MCIERR_INTERNAL);

    expectOpenFails(writeBytes("empty.wav", {}), MCIERR_INVALID_FILE);
    expectOpenFails(writeBytes("empty.midi", {}), MCIERR_INVALID_FILE);
    expectOpenFails(writeBytes("empty.mp3", {}), MCIERR_INTERNAL);
    expectOpenFails(writeBytes("empty.wma", {}), MCIERR_INTERNAL);

    // A damaged header claiming a billion samples a second is refused (setting up a resampler
    // for it would hold the caller for seconds), as is a rate of 0; a sane rate opens.
    expectOpenFails(writeBytes("huge-rate.wav", waveWithRate(0x50001F40)), MCIERR_INVALID_FILE);
    expectOpenFails(writeBytes("zero-rate.wav", waveWithRate(0)), MCIERR_INVALID_FILE);
    const std::string sane = quoted(writeBytes("sane-rate.wav", waveWithRate(8000)));
    EXPECT_EQ(sendRaw("open " + sane), 0u);
    send("close " + sane);

    // Each device reads only its own container, whatever the content looks like: a float wav whose
    // header is zeroed would be probed as AMR and decode to minutes of loud noise; a wav named
    // .mp3 or an mp3 named .wma is not one.
    const std::string headless = encode("headless.wav", "sine=frequency=440:duration=0.3", "-c:a pcm_f64le");
    {
        std::fstream file(headless, std::ios::in | std::ios::out | std::ios::binary);
        file.write(std::string(64, '\0').data(), 64);
    }
    expectOpenFails(headless, MCIERR_INVALID_FILE);
    expectOpenFails(encode("wave.mp3", "sine=frequency=440:duration=0.3", "-f wav"), MCIERR_INTERNAL);
    expectOpenFails(encode("mpeg.wma", "sine=frequency=440:duration=0.3", "-f mp3"), MCIERR_INTERNAL);
    // A gigabyte of zeros (sparse) is refused after a bounded read, not parsed to its end.
    const std::string zeros = writeBytes("zeros.mp3", {});
    std::filesystem::resize_file(zeros, std::uintmax_t(1) << 30);
    expectOpenFails(zeros, MCIERR_INTERNAL);

    const auto noise = randomBytes(64 * 1024);
    expectOpenFails(writeBytes("noise.wav", noise), MCIERR_INVALID_FILE);
    expectOpenFails(writeBytes("noise.mid", noise), MCIERR_INVALID_FILE);
    expectOpenFails(writeBytes("noise.mp3", noise), MCIERR_INTERNAL);
    expectOpenFails(writeBytes("noise.mp2", noise), MCIERR_INTERNAL);
    expectOpenFails(writeBytes("noise.wma", noise), MCIERR_INTERNAL);
}

TEST_F(Commands, commandsOnANameThatIsNotOpen_failWithInvalidDeviceName)
{
    const std::string device = quoted(encode("tone.wav", "sine=frequency=440:duration=0.3"));
    for (const char* verb : {"play ", "pause ", "resume ", "stop ", "close "})
        EXPECT_EQ(sendRaw(verb + device), unsigned(MCIERR_INVALID_DEVICE_NAME)) << verb;
    EXPECT_EQ(sendRaw("seek " + device + " to start"), unsigned(MCIERR_INVALID_DEVICE_NAME));
    EXPECT_EQ(sendRaw("status " + device + " mode"), unsigned(MCIERR_INVALID_DEVICE_NAME));
    // Nothing was opened on the way: "play" does not open by itself.
    EXPECT_EQ(sendRaw("status " + device + " mode"), unsigned(MCIERR_INVALID_DEVICE_NAME));
}

TEST_F(Commands, secondOpenOfAName_failsAndLeavesThePlayingDeviceAlone)
{
    const std::string device = quoted(encode("tone.mp3", "sine=frequency=440:duration=1"));
    EXPECT_EQ(sendRaw("Open " + device), 0u);
    send("play " + device);
    ASSERT_TRUE(waitForPosition(device, 50));
    EXPECT_EQ(sendRaw("open " + device), unsigned(MCIERR_DEVICE_OPEN));
    EXPECT_EQ(status(device, "mode"), "playing");
    EXPECT_GT(statusNumber(device, "position"), 0);
    send("close " + device);
}

TEST_F(Commands, namesAreComparedExactly_andFilesOpenedByTheirExactName)
{
    const std::string path = encode("曲 \"名\" 1.wav", "sine=frequency=440:duration=0.3");
    ASSERT_FALSE(path.empty());
    const std::string device = quoted(path);
    send("open " + device);
    EXPECT_EQ(status(device, "mode"), "stopped");
    // The same file under another spelling is another name, not open.
    std::string upper = device;
    upper.replace(upper.find(".wav"), 4, ".WAV");
    EXPECT_EQ(sendRaw("status " + upper + " mode"), unsigned(MCIERR_INVALID_DEVICE_NAME));
    send("PLAY " + device);
    ASSERT_TRUE(waitForMode(device, "stopped"));
    EXPECT_NEAR(statusNumber(device, "position"), 300, 40);
    send("CLOSE " + device);
}

TEST_F(Commands, pauseOnADeviceThatIsNotPlaying_failsAndChangesNothing)
{
    const std::string device = quoted(encode("tone.wav", "sine=frequency=440:duration=0.5"));
    send("open " + device);
    EXPECT_EQ(sendRaw("pause " + device), unsigned(MCIERR_NONAPPLICABLE_FUNCTION));
    EXPECT_EQ(status(device, "mode"), "stopped");
    send("play " + device);
    send("pause " + device);
    EXPECT_EQ(sendRaw("pause " + device), unsigned(MCIERR_NONAPPLICABLE_FUNCTION));
    EXPECT_EQ(status(device, "mode"), "paused");
    EXPECT_EQ(sendRaw("resume " + device), 0u);
    EXPECT_EQ(status(device, "mode"), "playing");
    send("stop " + device);
    EXPECT_EQ(sendRaw("resume " + device), unsigned(MCIERR_NONAPPLICABLE_FUNCTION));
    EXPECT_EQ(status(device, "mode"), "stopped");
    send("close " + device);
}

TEST_F(Commands, replyBuffer_isEmptiedOnEntry_andAReplyThatDoesNotFitIsRefused)
{
    const std::string device = quoted(encode("tone.wav", "sine=frequency=440:duration=0.3"));
    send("open " + device);

    char reply[16];
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(sendRaw("status " + device + " mode", reply, 8), 0u);
    EXPECT_STREQ(reply, "stopped");

    // "stopped" needs 8 bytes with its NUL.
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(sendRaw("status " + device + " mode", reply, 7), unsigned(MCIERR_PARAM_OVERFLOW));
    EXPECT_EQ(reply[0], '\0');
    EXPECT_EQ(reply[7], 'x'); // nothing written past the capacity

    // A failing command empties the buffer too; a command without a reply leaves it empty.
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(sendRaw("bogus " + device, reply, sizeof reply), unsigned(MCIERR_UNRECOGNIZED_COMMAND));
    EXPECT_EQ(reply[0], '\0');
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(sendRaw("stop " + device, reply, sizeof reply), 0u);
    EXPECT_EQ(reply[0], '\0');

    // No buffer at all, or a capacity of 0, is fine for every command.
    EXPECT_EQ(sendRaw("status " + device + " mode", nullptr, 255), 0u);
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(sendRaw("status " + device + " mode", reply, 0), 0u);
    EXPECT_EQ(reply[0], 'x');
    EXPECT_EQ(mciSendString(nullptr, reply, sizeof reply, nullptr), unsigned(MCIERR_MISSING_COMMAND_STRING));
    send("close " + device);
}

TEST(ErrorStrings, everyCodeTheLayerReturnsHasAText)
{
    for (unsigned long code :
         {MCIERR_UNRECOGNIZED_KEYWORD, MCIERR_UNRECOGNIZED_COMMAND, MCIERR_INVALID_DEVICE_NAME, MCIERR_DEVICE_OPEN,
          MCIERR_MISSING_COMMAND_STRING, MCIERR_PARAM_OVERFLOW, MCIERR_MISSING_PARAMETER, MCIERR_FILE_NOT_FOUND,
          MCIERR_INTERNAL, MCIERR_MISSING_DEVICE_NAME, MCIERR_NO_CLOSING_QUOTE, MCIERR_INVALID_FILE,
          MCIERR_NONAPPLICABLE_FUNCTION}) {
        char text[128] = "x";
        EXPECT_TRUE(mciGetErrorString(code, text, sizeof text)) << code;
        EXPECT_GT(std::strlen(text), 10u) << code;
    }
    char small[6];
    EXPECT_TRUE(mciGetErrorString(MCIERR_FILE_NOT_FOUND, small, sizeof small));
    EXPECT_EQ(std::strlen(small), 5u);
    char unknown[32] = "x";
    EXPECT_FALSE(mciGetErrorString(12345, unknown, sizeof unknown));
    EXPECT_EQ(unknown[0], '\0');
}

} // namespace
} // namespace zuvelo::mci::test
