// The settings survive a program killed at any moment of shut-down, and a disk that is full when
// they are written.
#include "ProgramFolder.h"
#include "ProgramRun.h"
#include "MediaCorpus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// Files in folder whose name starts with prefix.
int filesStartingWith(const std::string& folder, const std::string& prefix)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().starts_with(prefix);
    return count;
}

// Lines of text that start with prefix.
int linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::istringstream in(text);
    int count = 0;
    for (std::string l; std::getline(in, l);)
        count += l.starts_with(prefix);
    return count;
}

// The program's report of a failed settings write.
const std::string kSaveFailure = "zuvelo: the settings could not be saved";

// True once process pid holds file open: for a track, start-up has opened it.
bool holdsOpen(pid_t pid, const std::string& file)
{
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        if (fs::read_symlink(fd.path(), error) == file)
            return true;
    return false;
}

std::string line(int a1, int a2)
{
    return std::to_string(a1) + "," + std::to_string(a2) + "\r\n";
}

// A library of one short track, for the runs of the real program below.
struct OneTrackFolder : ProgramFolder {
    explicit OneTrackFolder(const std::string& base = {}) : ProgramFolder(base)
    {
        TemporaryFolder scratch;
        fs::create_directories(path() + "/Music");
        MediaCorpus::write(path() + "/Music/one.wav", MediaCorpus::tone("wav", 440, 0.5, scratch.path()));
    }
};

// Reverse mode with a saved track number the library no longer has: the program plays track 1,
// and writes that at its end.
const std::string kOldSettings = line(2, 5);
const std::string kNewSettings = line(2, 1);

TEST(SettingsCrash, theProgramKilledDuringShutDownLeavesTheOldOrTheNewSettingsWhole)
{
    TemporaryFolder logs;
    OneTrackFolder folder;
    std::mt19937 random(1206);
    int sawOld = 0, sawNew = 0;
    for (int run = 0; run < 12; ++run) {
        folder.write("muini.dat", kOldSettings);
        ProgramRun player(folder.program, {"SDL_AUDIODRIVER=dummy"}, logs / "player.log");
        ASSERT_TRUE(eventually([&] { return holdsFolderLock(player.pid(), folder.path()); }));
        // Some runs a little into playback, some still starting up.
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
        player.signal(SIGTERM);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        player.signal(SIGKILL);
        ASSERT_TRUE(player.waitForExit());

        const std::string settings = folder.read("muini.dat");
        EXPECT_TRUE(settings == kOldSettings || settings == kNewSettings) << "run " << run << ": '" << settings << "'";
        sawOld += settings == kOldSettings;
        sawNew += settings == kNewSettings;
    }

    // The same without the kill, once the track has been opened: the new settings, written whole.
    folder.write("muini.dat", kOldSettings);
    ProgramRun player(folder.program, {"SDL_AUDIODRIVER=dummy"}, logs / "player.log");
    ASSERT_TRUE(eventually([&] { return holdsOpen(player.pid(), folder / "Music/one.wav"); }));
    player.signal(SIGTERM);
    ASSERT_TRUE(player.waitForExit());
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_EQ(folder.read("muini.dat"), kNewSettings);
    EXPECT_EQ(linesStartingWith(logs.read("player.log.err"), kSaveFailure), 0);
    std::cout << "killed runs that left the old settings: " << sawOld << ", the new: " << sawNew << "\n";
}

// Runs the program until SIGTERM in a folder where the settings cannot be written, and checks that
// it ends normally, says so in one line on stderr and leaves the old settings as they were.
// stderr goes through a pipe: a file-size limit applies to files only.
void expectCleanEndWithOldSettings(const OneTrackFolder& folder, const std::function<void()>& beforeExec = {})
{
    TemporaryFolder logs;
    int errors[2];
    ASSERT_EQ(::pipe(errors), 0);
    ProgramRun player(folder.program, {"SDL_AUDIODRIVER=dummy"}, logs / "player.log", ProgramRun::Stderr::ToErrFile,
                      [&] {
                          ::dup2(errors[1], 2);
                          if (beforeExec)
                              beforeExec();
                      });
    ::close(errors[1]);
    ASSERT_TRUE(eventually([&] { return holdsOpen(player.pid(), folder / "Music/one.wav"); }));
    player.signal(SIGTERM);
    ASSERT_TRUE(player.waitForExit()) << "SIGTERM did not end the program";
    std::string stderrText;
    char buffer[4096];
    for (ssize_t n; (n = ::read(errors[0], buffer, sizeof buffer)) > 0;)
        stderrText.append(buffer, static_cast<std::size_t>(n));
    ::close(errors[0]);

    EXPECT_EQ(player.exitCode(), 0) << stderrText;
    EXPECT_EQ(linesStartingWith(stderrText, kSaveFailure), 1) << stderrText;
    EXPECT_EQ(folder.read("muini.dat"), kOldSettings);
    EXPECT_EQ(filesStartingWith(folder.path(), "muini.dat."), 0) << "no temporary file is left behind";
}

TEST(SettingsCrash, aFullDiskAtShutDownKeepsTheOldSettingsAndTheProgramEndsNormally)
{
    TemporaryFolder mountPoint;
    const auto programSize = fs::file_size(ZUVELO_EXECUTABLE);
    const std::string size = "size=" + std::to_string(programSize + (4 << 20));
    if (::mount("tmpfs", mountPoint.path().c_str(), "tmpfs", 0, size.c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); the file-size limit test covers a failing write";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint.path()};

    OneTrackFolder folder(mountPoint.path());
    folder.write("muini.dat", kOldSettings);
    // Fill what is left of the disk.
    {
        std::ofstream filler(mountPoint / "filler", std::ios::binary);
        const std::string block(1 << 16, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
            ;
    }
    std::ofstream probe(folder / "probe");
    probe << "x" << std::flush;
    probe.close();
    ASSERT_TRUE(probe.fail()) << "the disk is not full";
    fs::remove(folder / "probe");

    expectCleanEndWithOldSettings(folder);
}

TEST(SettingsCrash, aWriteRefusedByTheFileSizeLimitKeepsTheOldSettingsAndTheProgramEndsNormally)
{
    OneTrackFolder folder;
    folder.write("muini.dat", kOldSettings);
    // Every write beyond the first byte of a file fails with EFBIG instead of raising SIGXFSZ.
    expectCleanEndWithOldSettings(folder, [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1, 1};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
}

} // namespace
} // namespace zuvelo::testing
