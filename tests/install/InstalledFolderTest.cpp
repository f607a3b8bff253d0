// The installed program folder as a user meets it: installed with cmake --install, copied into a
// folder of music elsewhere, started from its desktop entry and directly.
#include "DiskAudio.h"
#include "ProgramOutput.h"
#include "ProgramRun.h"
#include "Shell.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// Debian's General MIDI soundfont (fluid-soundfont-gm), the one the program falls back on.
constexpr const char* kDebianSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// A 32-bit big-endian number of a PNG header.
std::uint32_t bigEndianAt(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The process whose executable is program, or 0. Needed for a program started by a launcher,
// which is not our child.
pid_t processRunning(const fs::path& program)
{
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program && !error)
            return static_cast<pid_t>(std::stol(name));
    }
    return 0;
}

TEST(InstalledFolder, holdsTheProgramItsIconAndADesktopEntryForThatFolderAndNoSubfolder)
{
    TemporaryFolder work;
    const std::string prefix = work.path() + "/Zuvelo";
    ASSERT_EQ(std::system((shellQuoted(CMAKE_COMMAND) + " --install " + shellQuoted(ZUVELO_BUILD_DIR) + " --prefix " +
                           shellQuoted(prefix) + " > " + shellQuoted(work.path() + "/install.log") + " 2>&1")
                              .c_str()),
              0)
        << work.read("install.log");

    // A subfolder would be scanned as music beside the user's own.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix)) {
        names.insert(entry.path().filename().string());
        EXPECT_FALSE(entry.is_directory()) << entry.path();
    }
    EXPECT_EQ(names, (std::set<std::string>{"zuvelo", "zuvelo.png", "zuvelo.desktop", "zuvelo-desktop-entry.sh"}));

    // The window's icon on a square canvas.
    const std::string png = work.read("Zuvelo/zuvelo.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndianAt(png, 16), 128u);
    EXPECT_EQ(bigEndianAt(png, 20), 128u);

    const std::string entry = work.read("Zuvelo/zuvelo.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + prefix + "/zuvelo\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=" + prefix + "/zuvelo.png\n"), std::string::npos) << entry;
}

TEST(InstalledFolder, aCopyInAFolderOfMusicStartsFromItsDesktopEntryPlaysAndClosesCleanly)
{
    TemporaryFolder work;
    const std::string prefix = work.path() + "/prefix";
    ASSERT_EQ(std::system((shellQuoted(CMAKE_COMMAND) + " --install " + shellQuoted(ZUVELO_BUILD_DIR) + " --prefix " +
                           shellQuoted(prefix) + " > /dev/null 2>&1")
                              .c_str()),
              0);

    // A folder of music whose name needs escaping in a desktop entry; one album, and a soundfont
    // of the user's own beside the program.
    const std::string music = work.path() + "/Music \"live\" $1 `x` 音楽";
    fs::create_directories(music + "/Album");
    fs::copy(prefix, music, fs::copy_options::recursive);
    const std::string encode =
        "ffmpeg -v error -y -f lavfi -i sine=frequency=660:duration=30 " + shellQuoted(music + "/Album/tone.mp3");
    ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
    fs::create_symlink(kDebianSoundFont, music + "/mine.sf2");

    // The copied entry still names the installed folder; the script rewrites it for this one and
    // adds it to the menu.
    const std::string data = work.path() + "/data";
    ASSERT_EQ(std::system(("XDG_DATA_HOME=" + shellQuoted(data) + " sh " +
                           shellQuoted(music + "/zuvelo-desktop-entry.sh") + " --menu > /dev/null")
                              .c_str()),
              0);
    const std::string entry = work.read(fs::relative(music, work.path()).string() + "/zuvelo.desktop");
    EXPECT_EQ(entry.find(prefix), std::string::npos) << entry;
    std::vector<fs::path> menuEntries;
    for (const auto& file : fs::directory_iterator(data + "/applications"))
        menuEntries.push_back(file.path());
    ASSERT_EQ(menuEntries.size(), 1u);
    EXPECT_EQ(work.read(fs::relative(menuEntries[0], work.path()).string()), entry);

    // Started as a desktop would start it, through GLib's launcher, which parses the entry.
    const std::string launchedAudio = work.path() + "/launched.raw";
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", launchedAudio.c_str(), 1);
    ASSERT_EQ(std::system(("gio launch " + shellQuoted(music + "/zuvelo.desktop") + " > " +
                           shellQuoted(work.path() + "/launched.log") + " 2>&1")
                              .c_str()),
              0)
        << work.read("launched.log");
    pid_t launched = 0;
    ASSERT_TRUE(eventually([&] { return (launched = processRunning(music + "/zuvelo")) != 0; }))
        << work.read("launched.log");
    ASSERT_TRUE(eventually([&] { return hasSound(launchedAudio); })) << work.read("launched.log");
    ::kill(launched, SIGTERM);
    // Closed like a window: the settings are written in the copy's folder (random mode, the one track).
    ASSERT_TRUE(eventually([&] { return processRunning(music + "/zuvelo") == 0; }));
    EXPECT_EQ(work.read(fs::relative(music, work.path()).string() + "/muini.dat"), "0,1\r\n");

    // Started directly: one line at start names the output's driver and the folder's own
    // soundfont, and SIGTERM ends it with status 0.
    fs::remove(music + "/muini.dat");
    const std::string directAudio = work.path() + "/direct.raw";
    ProgramRun player(music + "/zuvelo", {"SDL_DISKAUDIOFILE=" + directAudio}, work / "direct.log",
                      ProgramRun::Stderr::WithStdout);
    ASSERT_TRUE(eventually([&] { return hasSound(directAudio) || !player.running(); })) << work.read("direct.log");
    player.signal(SIGTERM);
    ASSERT_TRUE(player.waitForExit());
    EXPECT_EQ(player.exitCode(), 0) << work.read("direct.log");
    EXPECT_EQ(work.read(fs::relative(music, work.path()).string() + "/muini.dat"), "0,1\r\n");
    const std::vector<std::string> said = ownLines(work.read("direct.log"));
    ASSERT_EQ(said.size(), 1u) << work.read("direct.log");
    EXPECT_NE(said[0].find("SDL driver \"disk\""), std::string::npos) << said[0];
    EXPECT_NE(said[0].find(music + "/mine.sf2"), std::string::npos) << said[0];
}

} // namespace
} // namespace zuvelo::testing
