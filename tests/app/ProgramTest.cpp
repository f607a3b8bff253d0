// The real program in real processes: the single-instance rule, and one run end to end on the
// real media layer through SDL's disk audio driver.
#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// A program folder holding a copy of the built executable and nothing else.
struct ProgramFolder : TempFolder {
    std::string program;
    ProgramFolder()
    {
        program = path() + "/zuvelo";
        fs::copy_file(ZUVELO_EXECUTABLE, program);
    }
    std::unique_ptr<ChildProcess> start(const std::string& outputName,
                                        const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"}) const
    {
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen"};
        env.insert(env.end(), environment.begin(), environment.end());
        return std::make_unique<ChildProcess>(program, env, path() + "/" + outputName);
    }
};

// True when process pid holds an flock on the folder (read from /proc/locks).
bool holdsFolderLock(pid_t pid, const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
        std::istringstream in(line);
        std::string number, kind, mode, access, device;
        pid_t holder = 0;
        in >> number >> kind >> mode >> access >> holder >> device;
        if (kind != "FLOCK" || holder != pid)
            continue;
        const std::string inode = device.substr(device.rfind(':') + 1);
        if (inode == std::to_string(st.st_ino))
            return true;
    }
    return false;
}

TEST(Program, aSecondCopyFromTheSameFolderEndsAtOnceAndSilently)
{
    ProgramFolder folder;
    auto first = folder.start("first.log");
    ASSERT_TRUE(waitUntil([&] { return holdsFolderLock(first->pid(), folder.path()); }));

    // A settings write of the first copy in progress, as the second copy would see it.
    folder.write("muini.dat.tmp4242-0", "1,");
    auto second = folder.start("second.log");
    ASSERT_TRUE(second->waitForExit());
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(folder.read("second.log"), "");
    EXPECT_TRUE(first->running());
    EXPECT_TRUE(fs::exists(folder.path() + "/muini.dat.tmp4242-0")) << "only the lock holder cleans up";

    // A copy in another folder runs beside it.
    ProgramFolder other;
    auto elsewhere = other.start("elsewhere.log");
    EXPECT_TRUE(waitUntil([&] { return holdsFolderLock(elsewhere->pid(), other.path()); }));
    EXPECT_TRUE(first->running());

    for (ChildProcess* p : {first.get(), elsewhere.get()}) {
        p->signal(SIGTERM);
        ASSERT_TRUE(p->waitForExit());
        EXPECT_EQ(p->exitCode(), 0);
    }
    EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n") << "SIGTERM closes like the user: settings written";
}

TEST(Program, aKilledCopyDoesNotBlockTheNextStart)
{
    ProgramFolder folder;
    auto killed = folder.start("killed.log");
    ASSERT_TRUE(waitUntil([&] { return holdsFolderLock(killed->pid(), folder.path()); }));
    killed->signal(SIGKILL);
    ASSERT_TRUE(killed->waitForExit());
    EXPECT_FALSE(fs::exists(folder.path() + "/muini.dat")) << "a killed program saves nothing";
    // What a copy killed in the middle of writing its settings leaves behind.
    folder.write("muini.dat.tmp4242-0", "1,");

    auto next = folder.start("next.log");
    ASSERT_TRUE(waitUntil([&] { return holdsFolderLock(next->pid(), folder.path()); }));
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(folder.path() + "/muini.dat.tmp4242-0"); }))
        << "the next start removes a killed writer's temporary file";
    next->signal(SIGINT);
    ASSERT_TRUE(next->waitForExit());
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_TRUE(fs::exists(folder.path() + "/muini.dat"));
}

// Which of the given frequencies dominates each 50 ms of 48 kHz stereo float audio, with runs of
// the same tone merged and silence and short blips dropped.
std::vector<double> toneSequence(const std::string& rawFile, const std::vector<double>& frequencies)
{
    constexpr int kRate = 48000;
    constexpr int kWindow = kRate / 20;
    std::ifstream in(rawFile, std::ios::binary);
    std::vector<float> frames;
    std::array<float, 2> frame{};
    while (in.read(reinterpret_cast<char*>(frame.data()), sizeof frame))
        frames.push_back(frame[0]);

    std::vector<double> labels;
    for (std::size_t start = 0; start + kWindow <= frames.size(); start += kWindow) {
        double energy = 0;
        for (int i = 0; i < kWindow; ++i)
            energy += double(frames[start + i]) * frames[start + i];
        if (std::sqrt(energy / kWindow) < 0.01) {
            labels.push_back(0);
            continue;
        }
        // Goertzel power of each candidate frequency.
        double best = 0, bestPower = 0, secondPower = 0;
        for (double f : frequencies) {
            const double coefficient = 2 * std::cos(2 * M_PI * f / kRate);
            double s1 = 0, s2 = 0;
            for (int i = 0; i < kWindow; ++i) {
                const double s0 = frames[start + i] + coefficient * s1 - s2;
                s2 = s1;
                s1 = s0;
            }
            const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
            if (power > bestPower) {
                secondPower = bestPower;
                bestPower = power;
                best = f;
            } else if (power > secondPower) {
                secondPower = power;
            }
        }
        labels.push_back(bestPower > 10 * secondPower ? best : 0);
    }

    std::vector<double> tones;
    for (std::size_t i = 0; i < labels.size();) {
        std::size_t j = i;
        while (j < labels.size() && labels[j] == labels[i])
            ++j;
        if (labels[i] != 0 && j - i >= 3 && (tones.empty() || tones.back() != labels[i]))
            tones.push_back(labels[i]);
        i = j;
    }
    return tones;
}

TEST(Program, playsThreeTonesInOrderFromTheSavedTrackAndSavesTheTrackPlayingAtClose)
{
    ProgramFolder folder;
    // Placeholders first: the scan takes files in the folder's own order, so the track numbers
    // are known before the tones are encoded into the same names.
    for (const char* name : {"low.wav", "mid.mp3", "high.mp2"})
        folder.write(std::string("Tones/") + name);
    std::vector<std::string> trackFiles;
    for (const auto& entry : fs::directory_iterator(folder.path() + "/Tones"))
        trackFiles.push_back(entry.path().string());
    ASSERT_EQ(trackFiles.size(), 3u);
    const std::map<std::string, double> pitch = {{"low.wav", 440}, {"mid.mp3", 700}, {"high.mp2", 1100}};
    std::vector<double> trackPitch;
    for (std::size_t n = 0; n < 3; ++n) {
        const std::string name = fs::path(trackFiles[n]).filename().string();
        trackPitch.push_back(pitch.at(name));
        // Track 1 plays last and must still be playing when the program is closed.
        const double seconds = n == 0 ? 60 : 1;
        const std::string command = "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" +
                                    std::to_string(int(trackPitch.back())) + ":duration=" + std::to_string(seconds) +
                                    "' -ar 44100 -ac 2 '" + trackFiles[n] + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    folder.write("muini.dat", "1,1\r\n");

    const std::string audio = folder.path() + "/audio.raw";
    auto player = folder.start("player.log", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio});
    // Two track changes: the third tone has begun.
    const auto played = [&] { return toneSequence(audio, {440, 700, 1100}); };
    ASSERT_TRUE(waitUntil([&] { return played().size() >= 3; }, std::chrono::seconds(120)))
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

} // namespace
} // namespace zuvelo::testing
