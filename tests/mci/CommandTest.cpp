// Command strings through mciSendString: what open refuses, and a device's answers to a script.

#include "Media.h"

#include <cstring>
#include <random>

namespace zuvelo::mci::test {
namespace {

// What open refuses, leaving nothing open; then one device through a script: each row a command ("@"
// the device's quoted name, "~" the same file spelled otherwise), its error, its reply, and the reply
// buffer's size (-1: none, said to be 255).
TEST_F(Media, openRefusesWhatItCannotPlay_andADeviceAnswersEachCommandWithItsErrorAndReply)
{
    std::string noise(65536, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(7));
    for (const std::string ext : {"wav", "mid", "mp3"})
        m_folder.makeFolder("folder." + ext);
    for (const std::string ext : {"wav", "midi", "mp3", "wma", "mp2"}) {
        m_folder.write("empty." + ext);
        m_folder.write("noise." + ext, noise);
    }
    // A header claiming a billion samples a second: a resampler for it would take seconds to make.
    std::fstream(encode("huge-rate.wav", 0.3), std::ios::in | std::ios::out).seekp(24).write("\x40\x1F\0\x50", 4);
    // A float wav with its header zeroed "is" AMR to FFmpeg's probe, and decodes to loud noise.
    std::fstream(encode("headless.wav", 0.3, "-c:a pcm_f64le"), std::ios::in | std::ios::out)
        .write(std::string(64, 0).data(), 64);
    encode("wave.mp3", 0.3, "-f wav");
    encode("mpeg.wma", 0.3, "-f mp3");
    // clang-format off
    const std::pair<std::string, unsigned long> rows[] = {
        {"missing.mp3", MCIERR_FILE_NOT_FOUND}, {"missing.wav", MCIERR_FILE_NOT_FOUND}, {"folder.mp3", MCIERR_INTERNAL},
        {"missing.mid", MCIERR_FILE_NOT_FOUND}, {"folder.wav", MCIERR_INVALID_FILE}, {"empty.mp3", MCIERR_INTERNAL},
        {"folder.mid", MCIERR_INVALID_FILE}, {"empty.wav", MCIERR_INVALID_FILE}, {"empty.wma", MCIERR_INTERNAL},
        {"empty.midi", MCIERR_INVALID_FILE}, {"noise.wav", MCIERR_INVALID_FILE}, {"noise.mp3", MCIERR_INTERNAL},
        {"noise.midi", MCIERR_INVALID_FILE}, {"noise.mp2", MCIERR_INTERNAL}, {"noise.wma", MCIERR_INTERNAL},
        {"huge-rate.wav", MCIERR_INVALID_FILE}, {"headless.wav", MCIERR_INVALID_FILE},
        {"wave.mp3", MCIERR_INTERNAL}, {"mpeg.wma", MCIERR_INTERNAL}};
    // clang-format on
    ::testing::internal::CaptureStderr();
    for (const auto& [name, error] : rows) {
        EXPECT_EQ(send("open " + quoted(name)), error) << name;
        EXPECT_EQ(send("close " + quoted(name)), error ? MCIERR_INVALID_DEVICE_NAME : 0) << name;
    }
    const std::string said = "\n" + ::testing::internal::GetCapturedStderr(); // FFmpeg's complaints, as the layer's
    EXPECT_EQ(said.find("\n["), said.npos) << said;

    encode("曲 \"名\" 1.wav", 0.5); // the name runs from the first quote to the last
    // clang-format off
    const struct { std::string command; unsigned long error; std::string reply = ""; int size = 16; } script[] = {
        {"play @", MCIERR_INVALID_DEVICE_NAME}, {"Open @", 0}, {"open @", MCIERR_DEVICE_OPEN},
        {"status @ mode", 0, "stopped", 8}, {"status @ mode", MCIERR_PARAM_OVERFLOW, "", 7},
        {"status @ mode", 0, "", -1}, {"status @ mode", 0, "", 0}, {"STATUS\t@ MoDe\r\n", 0, "stopped"},
        {"status ~ mode", MCIERR_INVALID_DEVICE_NAME}, {"status @ length", 0, "500"},
        {"pause @", MCIERR_NONAPPLICABLE_FUNCTION}, {"resume @", MCIERR_NONAPPLICABLE_FUNCTION},
        {"PLAY\t@\r\n", 0}, {"status @ mode", 0, "playing"}, {"open @", MCIERR_DEVICE_OPEN},
        {"status @ mode", 0, "playing"}, {"pause @", 0}, {"pause @", MCIERR_NONAPPLICABLE_FUNCTION},
        {"status @ mode", 0, "paused"}, {"resume @", 0}, {"status @ mode", 0, "playing"}, {"stop\n@", 0},
        {"resume @", MCIERR_NONAPPLICABLE_FUNCTION}, {"status @ mode", 0, "stopped"},
        {"  sEEk   @   TO   Start  ", 0}, {"status @ position", 0, "0"},
        {"", MCIERR_MISSING_COMMAND_STRING}, {" \t\r\n", MCIERR_MISSING_COMMAND_STRING},
        {"bogus @", MCIERR_UNRECOGNIZED_COMMAND}, {"opens @", MCIERR_UNRECOGNIZED_COMMAND},
        {"play", MCIERR_MISSING_DEVICE_NAME}, {"play  \r\n", MCIERR_MISSING_DEVICE_NAME},
        {"play \"\"", MCIERR_MISSING_DEVICE_NAME}, {"status \"x mode", MCIERR_NO_CLOSING_QUOTE},
        {"status @", MCIERR_MISSING_PARAMETER}, {"status @ volume", MCIERR_UNRECOGNIZED_KEYWORD},
        {"status @ mode position", MCIERR_UNRECOGNIZED_KEYWORD}, {"seek @", MCIERR_MISSING_PARAMETER},
        {"seek @ to", MCIERR_MISSING_PARAMETER}, {"seek @ to end", MCIERR_UNRECOGNIZED_KEYWORD},
        {"seek @ to start to start", MCIERR_UNRECOGNIZED_KEYWORD}, {"play @ mode", MCIERR_UNRECOGNIZED_KEYWORD},
        {"close @ to start", MCIERR_UNRECOGNIZED_KEYWORD}, {"close @", 0},
        {"close @", MCIERR_INVALID_DEVICE_NAME}, {"status @ mode", MCIERR_INVALID_DEVICE_NAME}};
    // clang-format on
    for (const auto& row : script) {
        std::string command = row.command;
        if (const std::size_t at = command.find_first_of("@~"); at != std::string::npos)
            command.replace(at, 1, quoted(command[at] == '@' ? "曲 \"名\" 1.wav" : "曲 \"名\" 1.WAV"));
        SCOPED_TRACE(command + " into " + std::to_string(row.size));
        char reply[16] = "xxxxxxxxxxxxxxx", text[128] = "", cut[6] = "";
        EXPECT_EQ(send(command, row.size < 0 ? nullptr : reply, row.size < 0 ? 255 : row.size), row.error);
        // The reply and its NUL, and nothing written beyond; a sentence for the error.
        const std::string written = row.size > 0 ? row.reply + '\0' : "";
        EXPECT_EQ(std::string(reply, 15), (written + std::string(15, 'x')).substr(0, 15));
        EXPECT_TRUE(mciGetErrorString(row.error, text, sizeof text) && mciGetErrorString(row.error, cut, sizeof cut));
        EXPECT_GT(std::strlen(text), 20u);
        EXPECT_EQ(cut, std::string(text).substr(0, 5)) << "cut to the buffer";
    }
    EXPECT_EQ(mciSendString(nullptr, nullptr, 0, nullptr), unsigned(MCIERR_MISSING_COMMAND_STRING));
    char unknown[4] = "x";
    EXPECT_FALSE(mciGetErrorString(12345, unknown, sizeof unknown));
    EXPECT_STREQ(unknown, "");
}

} // namespace
} // namespace zuvelo::mci::test
