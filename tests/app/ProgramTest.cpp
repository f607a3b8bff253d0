// The real program in real processes: the single-instance rule, and one run end to end on the
// real media layer through SDL's disk audio driver.
#include "ProgramFolder.h"
#include "ProgramRun.h"
#include "ToneTrack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// The program started from folder with SDL's dummy (or the given) audio driver; its stdout and
// stderr go in turn to outputName in the folder.
std::unique_ptr<ProgramRun> start(const ProgramFolder& folder, const std::string& outputName,
                                  const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"})
{
    return std::make_unique<ProgramRun>(folder.program, environment, folder / outputName,
                                        ProgramRun::Stderr::WithStdout);
}

TEST(Program, aSecondCopyFromTheSameFolderEndsAtOnceAndSilently)
{
    ProgramFolder folder;
    auto first = start(folder, "first.log");
    ASSERT_TRUE(eventually([&] { return holdsFolderLock(first->pid(), folder.path()); }));

    // A settings write of the first copy in progress, as the second copy would see it.
    folder.write("muini.dat.tmp4242-0", "1,");
    auto second = start(folder, "second.log");
    ASSERT_TRUE(second->waitForExit());
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(folder.read("second.log"), "");
    EXPECT_TRUE(first->running());
    EXPECT_TRUE(fs::exists(folder.path() + "/muini.dat.tmp4242-0")) << "only the lock holder cleans up";

    // A copy in another folder runs beside it.
    ProgramFolder other;
    auto elsewhere = start(other, "elsewhere.log");
    EXPECT_TRUE(eventually([&] { return holdsFolderLock(elsewhere->pid(), other.path()); }));
    EXPECT_TRUE(first->running());

    for (ProgramRun* p : {first.get(), elsewhere.get()}) {
        p->signal(SIGTERM);
        ASSERT_TRUE(p->waitForExit());
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n") << "SIGTERM closes like the user: settings written";
}

TEST(Program, aKilledCopyDoesNotBlockTheNextStart)
{
    ProgramFolder folder;
    auto killed = start(folder, "killed.log");
    ASSERT_TRUE(eventually([&] { return holdsFolderLock(killed->pid(), folder.path()); }));
    killed->signal(SIGKILL);
    ASSERT_TRUE(killed->waitForExit());
    EXPECT_FALSE(fs::exists(folder.path() + "/muini.dat")) << "a killed program saves nothing";
    // What a copy killed in the middle of writing its settings leaves behind.
    folder.write("muini.dat.tmp4242-0", "1,");

    auto next = start(folder, "next.log");
    ASSERT_TRUE(eventually([&] { return holdsFolderLock(next->pid(), folder.path()); }));
    EXPECT_TRUE(eventually([&] { return !fs::exists(folder.path() + "/muini.dat.tmp4242-0"); }))
        << "the next start removes a killed writer's temporary file";
    next->signal(SIGINT);
    ASSERT_TRUE(next->waitForExit());
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_TRUE(fs::exists(folder.path() + "/muini.dat"));
}

// Started without standard streams or without a display, or ended by the terminal closing: the
// program runs and closes in order, settings written.
TEST(Program, oddStartsAndEndsCloseInOrderWithTheSettingsWritten)
{
    const std::vector<std::string> noDisplay = {"SDL_AUDIODRIVER=dummy",
                                                "QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="};
    struct Row {
        const char* what;
        int firstClosed; // descriptors firstClosed..2 are closed at the start (3: none)
        std::vector<std::string> environment;
        int signal;
    };
    const Row rows[] = {
        {"stdout and stderr closed", 1, {"SDL_AUDIODRIVER=dummy"}, SIGTERM},
        {"all three closed", 0, {"SDL_AUDIODRIVER=dummy"}, SIGTERM},
        {"terminal closed", 3, {"SDL_AUDIODRIVER=dummy"}, SIGHUP},
        {"no display", 3, noDisplay, SIGTERM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramFolder folder;
        const int firstClosed = row.firstClosed;
        ProgramRun run(folder.program, row.environment, folder / "run.log", ProgramRun::Stderr::WithStdout,
                       [firstClosed] {
                           for (int fd = firstClosed; fd <= 2; ++fd)
                               ::close(fd);
                       });
        ASSERT_TRUE(eventually([&] { return holdsFolderLock(run.pid(), folder.path()) || !run.running(); }));
        if (firstClosed < 3) {
            for (int fd = firstClosed; fd <= 2; ++fd)
                EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(run.pid()) + "/fd/" + std::to_string(fd)),
                          "/dev/null");
            std::this_thread::sleep_for(std::chrono::seconds(1)); // time to misread a stray write
        } else {
            // The line that follows start-up.
            EXPECT_TRUE(eventually([&] {
                return folder.read("run.log").find("zuvelo: sound output") != std::string::npos || !run.running();
            }));
        }
        ASSERT_TRUE(run.running()) << folder.read("run.log");
        run.signal(row.signal);
        ASSERT_TRUE(run.waitForExit());
        EXPECT_EQ(run.exitCode(), 0);
        EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n");
        const std::string log = folder.read("run.log");
        EXPECT_EQ(log.find("no display") != std::string::npos, row.environment == noDisplay) << log;
    }
}

// A private X server on a free display: Xvfb picks the number and hands it back through a pipe.
class PrivateXServer {
public:
    PrivateXServer()
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(pipeEnds[1], 3);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "800x200x24",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        char digits[16] = {};
        ssize_t size = 0;
        while (size < 15 && m_pid > 0) {
            const ssize_t n = ::read(pipeEnds[0], digits + size, 15 - size);
            if (n <= 0 || std::strchr(digits, '\n') != nullptr)
                break;
            size += n;
        }
        ::close(pipeEnds[0]);
        if (std::strchr(digits, '\n') != nullptr)
            m_display = ":" + std::string(digits, std::strchr(digits, '\n'));
    }
    ~PrivateXServer() { stop(); }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or empty when the server did not start.
    const std::string& display() const { return m_display; }
    void stop()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

TEST(Program, losingTheDisplayStillWritesTheSettingsAndEndsInOrder)
{
    PrivateXServer server;
    if (server.display().empty())
        GTEST_SKIP() << "no Xvfb here (scripts/install-deps.sh installs it)";
    ProgramFolder folder;
    auto player =
        start(folder, "player.log", {"SDL_AUDIODRIVER=dummy", "QT_QPA_PLATFORM=xcb", "DISPLAY=" + server.display()});
    ASSERT_TRUE(eventually([&] {
        return folder.read("player.log").find("zuvelo: sound output") != std::string::npos || !player->running();
    }));
    ASSERT_TRUE(player->running()) << folder.read("player.log");

    server.stop(); // as at logout
    ASSERT_TRUE(player->waitForExit());
    EXPECT_GE(player->exitCode(), 0) << "ended by a signal: " << -player->exitCode();
    EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n") << folder.read("player.log");
}

TEST(Program, playsThreeTonesInOrderFromTheSavedTrackAndSavesTheTrackPlayingAtClose)
{
    ProgramFolder folder;
    // The scan takes the files in name order: these are tracks 1, 2 and 3.
    const std::vector<std::pair<std::string, double>> tracks = {{"high.mp2", 1100}, {"low.wav", 440}, {"mid.mp3", 700}};
    std::vector<double> trackPitch;
    fs::create_directories(folder.path() + "/Tones");
    for (std::size_t n = 0; n < 3; ++n) {
        const auto& [name, pitch] = tracks[n];
        trackPitch.push_back(pitch);
        // Track 1 plays last and must still be playing when the program is closed.
        const double seconds = n == 0 ? 60 : 1;
        const std::string command = "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" + std::to_string(int(pitch)) +
                                    ":duration=" + std::to_string(seconds) + "' -ar 44100 -ac 2 '" + folder.path() +
                                    "/Tones/" + name + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    folder.write("muini.dat", "1,1\r\n");

    const std::string audio = folder.path() + "/audio.raw";
    auto player = start(folder, "player.log", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio});
    // Two track changes: the third tone has begun.
    const auto played = [&] { return toneSequence(audio, {440, 700, 1100}); };
    ASSERT_TRUE(eventually([&] { return played().size() >= 3; }, std::chrono::seconds(120)))
        << folder.read("player.log");
    player->signal(SIGTERM);
    ASSERT_TRUE(player->waitForExit());
    EXPECT_EQ(player->exitCode(), 0) << folder.read("player.log");

    const std::vector<double> tones = played();
    ASSERT_GE(tones.size(), 3u);
    EXPECT_EQ(std::vector<double>(tones.begin(), tones.begin() + 3),
              (std::vector<double>{trackPitch[1], trackPitch[2], trackPitch[0]}));
    EXPECT_EQ(folder.read("muini.dat"), "1,1\r\n") << "track 1 was playing at close";
}

// Raw 32-bit float samples, as SDL's disk driver and ffmpeg's f32le write them.
std::vector<float> readFloats(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<float> samples(bytes.size() / sizeof(float));
    if (!samples.empty()) // memcpy may not be given the null data() of an empty vector
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// Two one-second tones played one after the other: the second follows the first sample for
// sample, with no silent frame at the joint, which falls right after the first track's last sample.
// What the ffmpeg command line decodes is the reference: for mp3 it is the tone's own 48,000 frames
// a second, since FFmpeg trims the encoder's delay and padding (which the files' LAME header gives).
TEST(Program, consecutiveTracksJoinWithoutAGap)
{
    for (const std::string format : {"wav", "mp3"}) {
        SCOPED_TRACE(format);
        ProgramFolder folder;
        fs::create_directories(folder.path() + "/Tones");
        std::vector<std::vector<float>> decoded;
        for (const auto& [name, pitch] : {std::pair{"a", 440}, std::pair{"b", 1000}}) {
            const std::string track = folder.path() + "/Tones/" + name + "." + format;
            const std::string raw = folder.path() + "/" + name + ".raw";
            const std::string command = "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" + std::to_string(pitch) +
                                        ":duration=1:sample_rate=48000' -ac 2 '" + track +
                                        "' && ffmpeg -v error -y -i '" + track + "' -f f32le -ac 2 -ar 48000 '" + raw +
                                        "'";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
            decoded.push_back(readFloats(raw));
            EXPECT_EQ(decoded.back().size(), 2u * 48000) << "the decoded length of " << track;
        }
        folder.write("muini.dat", "1,0\r\n"); // in order
        const std::string audio = folder.path() + "/audio.raw";
        auto player = start(folder, "player.log", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio});
        const auto firstSound = [](const std::vector<float>& s) {
            return std::size_t(std::find_if(s.begin(), s.end(), [](float v) { return v != 0; }) - s.begin());
        };
        std::vector<float> recorded;
        ASSERT_TRUE(eventually([&] {
            recorded = readFloats(audio);
            return firstSound(recorded) < recorded.size() && recorded.size() - firstSound(recorded) > 4 * 48000;
        })) << folder.read("player.log");
        player->signal(SIGTERM);
        ASSERT_TRUE(player->waitForExit());

        // Whichever track came first, the other follows it.
        const std::size_t lead = firstSound(decoded[0]);
        const std::size_t start = firstSound(recorded) - lead;
        const bool bFirst = std::fabs(recorded[start + lead] - decoded[1][lead]) < 1e-6f;
        std::vector<float> expected = decoded[bFirst ? 1 : 0];
        expected.insert(expected.end(), decoded[bFirst ? 0 : 1].begin(), decoded[bFirst ? 0 : 1].end());
        std::size_t firstDifference = 0;
        while (firstDifference < expected.size() &&
               std::fabs(recorded[start + firstDifference] - expected[firstDifference]) < 1e-6f)
            ++firstDifference;
        EXPECT_EQ(firstDifference / 2, expected.size() / 2)
            << "the recording leaves the two tracks laid end to end at this frame after the first track's start";
    }
}

} // namespace
} // namespace zuvelo::testing
