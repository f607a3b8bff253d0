// The real program playing on the real media layer through SDL's disk audio driver: every format
// in order among damaged files, tracks joined without a gap, random mode among bad tracks, and a
// library where nothing plays until the files come back.
#include "ProgramFolder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sys/inotify.h>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(Playback, inOrderEveryFormatPlaysInTurnAndEveryDamagedTrackIsPassedOver)
{
    ProgramFolder folder;
    TemporaryFolder scratch;
    const std::map<std::string, double> pitch = {{"wav", 440},
                                                 {"wma", 620},
                                                 {"mp3", 780},
                                                 {"mp2", 1000},
                                                 {"mid", MediaCorpus::midiPitch(1318.5)},
                                                 {"midi", MediaCorpus::midiPitch(2093)}};
    // Numbered names fix the scan order: per format a good track, then damaged, vanishing ones.
    int track = 0;
    std::vector<std::string> vanishing;
    std::vector<double> expected;
    for (const std::string& format : kFormats) {
        const auto name = [&](const std::string& role) {
            return folder / ("Mixed/" + std::to_string(++track) + "-" + role + "." + format);
        };
        const bool last = format == kFormats.back(); // still playing when the program is closed
        folder.tone("Mixed/" + std::to_string(++track) + "-good." + format, pitch.at(format), last ? 60 : 0.8);
        expected.push_back(pitch.at(format));
        const Bytes quiet = MediaCorpus::silence(format, 0.3, scratch.path());
        const unsigned seed = unsigned(track);
        for (const Bytes& bad :
             {Bytes{}, MediaCorpus::randomBytes(4096, seed), MediaCorpus::truncated(quiet, 16),
              MediaCorpus::truncated(quiet, 200), MediaCorpus::truncated(quiet, quiet.size() / 2),
              MediaCorpus::headerThenGarbage(format, quiet, seed), MediaCorpus::hugeDeclaredLength(format, quiet)})
            MediaCorpus::write(name("bad"), bad);
        for (int i = 0; i < 2; ++i)
            MediaCorpus::write(vanishing.emplace_back(name("vanishes")), quiet);
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
        fs::remove(vanishing[i]);
        if (i % 2 == 1)
            fs::create_directory(vanishing[i]);
    }
    ASSERT_TRUE(eventually([&] { return heard.tones(candidates).size() >= expected.size() || !player->running(); },
                           std::chrono::seconds(120)))
        << folder.log();
    const std::vector<double> tones = heard.tones(candidates);
    EXPECT_EQ(std::vector<double>(tones.begin(), tones.begin() + long(expected.size())), expected);
    closeWith(*player, folder);
    EXPECT_EQ(folder.read("muini.dat"), "1," + std::to_string(track - 9) + "\r\n") << "the track playing at close";
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
        const auto firstSound = [](const std::vector<float>& s) {
            return std::size_t(std::find_if(s.begin(), s.end(), [](float v) { return v != 0; }) - s.begin());
        };
        Recording recording(folder.audio);
        ASSERT_TRUE(eventually([&] {
            const std::vector<float>& r = recording.samples();
            return firstSound(r) < r.size() && r.size() - firstSound(r) > 4 * 48000;
        })) << folder.log();
        closeWith(*player, folder);

        // Whichever track came first, the other follows it.
        const std::vector<float>& recorded = recording.samples();
        const std::size_t lead = firstSound(decoded[0]);
        const std::size_t start = firstSound(recorded) - lead;
        const bool bFirst = std::fabs(recorded[start + lead] - decoded[1][lead]) < 1e-6f;
        std::vector<float> expected = decoded[bFirst ? 1 : 0];
        expected.insert(expected.end(), decoded[bFirst ? 0 : 1].begin(), decoded[bFirst ? 0 : 1].end());
        std::size_t same = 0;
        while (same < expected.size() && std::fabs(recorded[start + same] - expected[same]) < 1e-6f)
            ++same;
        EXPECT_EQ(same / 2, expected.size() / 2) << "the recording leaves the tracks laid end to end at this frame";
    }
}

// The opens of the files in a folder, through inotify.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& folder) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_OPEN);
    }
    ~OpenCounter() { ::close(m_fd); }
    const std::map<std::string, int>& opens()
    {
        alignas(inotify_event) char buffer[16384];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                m_opens[event->name] += event->len > 0;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        return m_opens;
    }

private:
    int m_fd;
    std::map<std::string, int> m_opens;
};

TEST(Playback, inRandomModeTheGoodTracksKeepPlayingAmongBadOnes)
{
    for (const auto& [goodCount, badCount] : {std::pair{1, 1}, std::pair{3, 2}}) {
        SCOPED_TRACE(std::to_string(goodCount) + " good, " + std::to_string(badCount) + " bad");
        ProgramFolder folder;
        for (int i = 0; i < goodCount; ++i)
            folder.tone("Mix/good" + std::to_string(i) + ".wav", 440, 0.05);
        for (int i = 0; i < badCount; ++i)
            MediaCorpus::write(folder / ("Mix/bad" + std::to_string(i) + ".wav"), MediaCorpus::randomBytes(4096, i));
        folder.write("muini.dat", "0,1\r\n");
        OpenCounter counter(folder / "Mix");
        auto player = folder.start();
        const auto goodOpens = [&] {
            int sum = 0;
            for (const auto& [name, count] : counter.opens())
                sum += name.starts_with("good") ? count : 0;
            return sum;
        };
        EXPECT_TRUE(eventually([&] { return goodOpens() >= 30 || !player->running(); }, std::chrono::seconds(90)))
            << "stalled after " << goodOpens() << " opens; log: " << folder.log();
        closeWith(*player, folder);
    }
}

TEST(Playback, aLibraryOfOnlyBadTracksIsTriedOnceThenSlowlyUntilTheFilesComeBack)
{
    ProgramFolder folder;
    TemporaryFolder scratch;
    std::vector<std::string> names;
    folder.makeFolder("Bad");
    for (const std::string& format : kFormats)
        for (const Bytes& bad : {MediaCorpus::randomBytes(4096, 3),
                                 MediaCorpus::truncated(MediaCorpus::silence(format, 0.3, scratch.path()), 16)})
            MediaCorpus::write(folder / ("Bad/" + names.emplace_back(std::to_string(names.size()) + "." + format)),
                               bad);
    folder.write("muini.dat", "1,3\r\n");
    OpenCounter counter(folder / "Bad");
    auto player = folder.startRecording();
    const auto opens = [&] {
        int sum = 0;
        for (const auto& [name, count] : counter.opens())
            sum += count;
        return sum;
    };
    ASSERT_TRUE(eventually([&] { return counter.opens().size() == names.size(); })) << folder.log();
    // Then a quiet spell: over thirty monitor ticks not one file is opened again.
    for (int quiet = 0, before = opens(); quiet < 30; ++quiet) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (opens() != before)
            before = opens(), quiet = 0; // the round had not ended yet
        ASSERT_LT(opens(), int(names.size()) * 4) << "the program keeps retrying bad tracks";
    }
    for (const auto& [name, count] : counter.opens())
        EXPECT_LE(count, 2) << name << " tried in more than one round"; // start-up opens twice

    // The files come back (as from a stick plugged in again); nobody touches the program.
    for (const std::string& name : names)
        MediaCorpus::write(folder / ("Bad/" + name),
                           MediaCorpus::tone(name.substr(name.find('.') + 1), 440, 0.3, scratch.path()));
    Recording heard(folder.audio);
    EXPECT_TRUE(eventually([&] { return heard.hasSound(); })) << folder.log();
    closeWith(*player, folder);
}

} // namespace
} // namespace zuvelo::testing
