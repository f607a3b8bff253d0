// The real program playing on the real media layer through SDL's disk audio driver: every format
// in order among damaged files, under names a command string must quote, and tracks joined without a gap.
#include "ProgramFolder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

TEST(Playback, inOrderEveryFormatPlaysInTurnAndEveryDamagedTrackIsPassedOver)
{
    ProgramFolder folder;
    // MIDI tones sound on keys: E6 and C7.
    const std::map<std::string, double> pitch = {{"wav", 440},  {"wma", 620},     {"mp3", 780},
                                                 {"mp2", 1000}, {"mid", 1318.51}, {"midi", 2093}};
    // Good tracks whose names the command strings must carry intact.
    const std::map<std::string, std::string> oddName = {{"wav", " with \"quotes\" inside."}, {"wma", "x\" mode."},
                                                        {"mp3", "\xff\xfe not utf-8 \xe9."}, {"mp2", "  blanks  ."},
                                                        {"mid", " seek to start play."},     {"midi", "new\nline."}};
    // Numbered names fix the scan order: per format a good track, then damaged, vanishing ones.
    int track = 0;
    std::vector<std::string> vanishing;
    std::vector<double> expected;
    std::mt19937 random(7);
    for (const std::string format : {"wav", "wma", "mp3", "mp2", "mid", "midi"}) {
        const auto name = [&](const std::string& role) {
            return "Mixed/" + std::to_string(++track) + "-" + role + "." + format;
        };
        const bool last = format == "midi"; // still playing when the program is closed
        folder.tone("Mixed/" + std::to_string(++track) + oddName.at(format) + format, pitch.at(format),
                    last ? 60 : 0.8);
        expected.push_back(pitch.at(format));
        folder.tone("quiet." + format, 0, 0.3);
        const std::string quiet = folder.read("quiet." + format);
        std::string noise(4096, '\0');
        std::generate(noise.begin(), noise.end(), random);
        for (const std::string& bad : {std::string(), noise, quiet.substr(0, 16), quiet.substr(0, 200),
                                       quiet.substr(0, quiet.size() / 2)})
            folder.write(name("bad"), bad);
        for (int i = 0; i < 2; ++i)
            folder.write(vanishing.emplace_back(name("vanishes")), quiet);
        fs::create_directories(folder / ("Mixed/folder." + format)); // a folder named like a track is no track
    }
    folder.write("muini.dat", "1," + std::to_string(track) + "\r\n"); // in order, wrapping round to track 1

    auto player = folder.startRecording();
    Recording heard(folder.audio);
    std::vector<double> candidates;
    for (const auto& [format, frequency] : pitch)
        candidates.push_back(frequency);
    // The first tone means the scan is over: now some scanned files vanish or become folders.
    ASSERT_TRUE(eventually([&] { return !heard.tones(candidates).empty(); })) << folder.log();
    for (std::size_t i = 0; i < vanishing.size(); ++i) {
        fs::remove(folder / vanishing[i]);
        if (i % 2 == 1)
            fs::create_directory(folder / vanishing[i]);
    }
    ASSERT_TRUE(eventually([&] { return heard.tones(candidates).size() >= expected.size() || !player->running(); },
                           std::chrono::seconds(120)))
        << folder.log();
    const std::vector<double> tones = heard.tones(candidates);
    EXPECT_EQ(std::vector<double>(tones.begin(), tones.begin() + long(expected.size())), expected);
    closeWith(*player, folder);
    EXPECT_EQ(folder.read("muini.dat"), "1," + std::to_string(track - 7) + "\r\n") << "the track playing at close";
    for (const float s : heard.samples())
        ASSERT_TRUE(std::fabs(s) <= 1.0f) << "a damaged track went beyond full scale";
}

// Two one-second tones played one after the other: the second follows the first sample for
// sample, with no silent frame at the joint, which falls right after the first track's last sample.
// What the ffmpeg command line decodes is the reference: for mp3 it is the tone's own 48,000 frames
// a second, since FFmpeg trims the encoder's delay and padding (which the files' LAME header gives).
TEST(Playback, consecutiveTracksJoinWithoutAGap)
{
    for (const std::string format : {"wav", "mp3"}) {
        SCOPED_TRACE(format);
        ProgramFolder folder;
        std::vector<std::vector<float>> decoded;
        for (const auto& [name, pitch] : {std::pair{"a", 440}, std::pair{"b", 1000}}) {
            const std::string track = folder / ("Tones/" + std::string(name) + "." + format);
            const std::string raw = folder / (std::string(name) + ".raw");
            folder.makeFolder("Tones");
            const std::string command = "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" + std::to_string(pitch) +
                                        ":duration=1:sample_rate=48000' -ac 2 '" + track +
                                        "' && ffmpeg -v error -y -i '" + track + "' -f f32le -ac 2 -ar 48000 '" + raw +
                                        "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            decoded.push_back(readFloats(raw));
            EXPECT_EQ(decoded.back().size(), 2u * 48000) << "the decoded length of " << track;
        }
        folder.write("muini.dat", "1,0\r\n");
        auto player = folder.startRecording();
        Recording recording(folder.audio);
        ASSERT_TRUE(eventually([&] { return heard(recording.samples()).size() > 4 * 48000; })) << folder.log();
        closeWith(*player, folder);

        // Whichever track came first, the other follows it.
        const std::vector<float> played = heard(recording.samples());
        const bool bFirst = framesAlike(played, heard(decoded[1])) > 0;
        std::vector<float> expected = heard(decoded[bFirst]);
        expected.insert(expected.end(), decoded[!bFirst].begin(), decoded[!bFirst].end());
        EXPECT_EQ(framesAlike(played, expected), expected.size() / 2) << "where the recording parts from the tracks";
    }
}

} // namespace
} // namespace zuvelo::testing
