// The program as a desktop user meets it: the installed folder copied into a folder of music and
// started from its desktop entry, the staged folder with its demo library, and the media keys
// through playerctl on a private session bus.
#include "ProgramFolder.h"

#include <set>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// Starts program on the disk driver, recording into work/"name.raw" and logging to work/"name.log",
// and once it sounds ends it as a desktop session does; it must exit in order.
void playThenEnd(const std::string& program, const TemporaryFolder& work, const std::string& name)
{
    ProgramRun player(program, {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + (work / (name + ".raw"))},
                      work / (name + ".log"));
    Recording heard(work / (name + ".raw"));
    ASSERT_TRUE(eventually([&] { return heard.hasSound() || !player.running(); })) << work.read(name + ".log");
    player.signal(SIGTERM);
    ASSERT_TRUE(player.waitForExit());
    EXPECT_EQ(player.exitCode(), 0) << work.read(name + ".log");
}

TEST(Desktop, theInstalledFolderCopiedAmongMusicStartsFromItsDesktopEntryAndDirectly)
{
    TemporaryFolder work;
    const std::string prefix = work / "prefix";
    // Runs a step to its end, its output in step.log; true when it succeeded.
    const auto succeeds = [&](const std::string& program, const std::vector<std::string>& environment,
                              const std::vector<std::string>& arguments) {
        ProgramRun step(program, environment, work / "step.log", arguments);
        return step.waitForExit() && step.exitCode() == 0;
    };
    ASSERT_TRUE(succeeds(CMAKE_COMMAND, {}, {"--install", ZUVELO_BUILD_DIR, "--prefix", prefix}))
        << work.read("step.log");
    std::set<std::string> names; // a subfolder would be scanned as music beside the user's own
    for (const auto& entry : fs::directory_iterator(prefix))
        names.insert(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
    EXPECT_EQ(names, (std::set<std::string>{"zuvelo", "zuvelo.png", "zuvelo.desktop", "zuvelo-desktop-entry.sh"}));
    EXPECT_TRUE(work.read("prefix/zuvelo.png").starts_with("\x89PNG\r\n\x1a\n"));
    EXPECT_NE(work.read("prefix/zuvelo.desktop").find("\nExec=\"" + prefix + "/zuvelo\"\n"), std::string::npos);

    // A folder of music whose name needs escaping in a desktop entry, with one album and a
    // soundfont of the user's own beside the program.
    const std::string music = "Music \"live\" $1 `x` 音楽";
    fs::copy(prefix, work / music, fs::copy_options::recursive);
    ProgramFolder tones;
    tones.tone("Album/tone.mp3", 660, 30);
    fs::copy(tones / "Album", work / (music + "/Album"), fs::copy_options::recursive);
    fs::create_symlink("/usr/share/sounds/sf2/default-GM.sf2", work / (music + "/mine.sf2"));
    // The copied entry still names the installed folder; the script rewrites it and adds it to the menu.
    EXPECT_TRUE(succeeds("/bin/sh", {"XDG_DATA_HOME=" + (work / "data")},
                         {work / (music + "/zuvelo-desktop-entry.sh"), "--menu"}))
        << work.read("step.log");
    const std::string entry = work.read(music + "/zuvelo.desktop");
    EXPECT_EQ(entry.find(prefix), std::string::npos) << entry;
    const fs::path menuEntry = fs::directory_iterator(work / "data/applications")->path();
    EXPECT_EQ(work.read("data/applications/" + menuEntry.filename().string()), entry);

    // Started as a desktop starts it, through GLib's launcher, which parses the entry.
    const std::string program = work / (music + "/zuvelo");
    ASSERT_TRUE(succeeds("/usr/bin/gio", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + (work / "launched.raw")},
                         {"launch", work / (music + "/zuvelo.desktop")}))
        << work.read("step.log");
    Recording launched(work / "launched.raw");
    ASSERT_TRUE(eventually([&] { return launched.hasSound(); }));
    // Not our child: found by its executable.
    const auto pidOf = [&] {
        for (const auto& process : fs::directory_iterator("/proc")) {
            std::error_code error;
            if (fs::read_symlink(process.path() / "exe", error) == program)
                return std::stoi(process.path().filename());
        }
        return 0;
    };
    ::kill(pidOf(), SIGTERM);
    ASSERT_TRUE(eventually([&] { return pidOf() == 0; }));
    EXPECT_EQ(work.read(music + "/muini.dat"), "0,1\r\n") << "closed like a window, in the copy's folder";

    // Started directly: its log names the output's driver and the folder's own soundfont.
    fs::remove(work / (music + "/muini.dat"));
    playThenEnd(program, work, "direct");
    EXPECT_EQ(work.read(music + "/muini.dat"), "0,1\r\n");
    const std::string said = work.read("direct.log");
    EXPECT_TRUE(said.find("SDL driver \"disk\"") != said.npos && said.find(work / (music + "/mine.sf2")) != said.npos)
        << said;
}

// The staged folder holds a demo piece of every format, and plays the first at once.
TEST(Desktop, theStagedFolderPlaysItsDemoLibrary)
{
    TemporaryFolder folder;
    fs::copy(ZUVELO_STAGE_DIR, folder.path(), fs::copy_options::recursive);
    std::multiset<std::string> suffixes;
    for (const auto& entry : fs::directory_iterator(folder / "demo"))
        suffixes.insert(entry.path().extension().string());
    ASSERT_EQ(suffixes, (std::multiset<std::string>{".mid", ".midi", ".mp2", ".mp3", ".wav", ".wma"}));
    folder.write("muini.dat", "1,6\r\n"); // in order after the last: the first follows
    playThenEnd(folder / "zuvelo", folder, "staged");
    EXPECT_EQ(folder.read("muini.dat"), "1,1\r\n") << "the piece playing at close, not one after a failure";
}

// A dbus-daemon of the test's own that activates no services, ended with the object.
struct PrivateBus {
    TemporaryFolder folder;
    std::string address = "unix:path=" + (folder / "bus");
    std::unique_ptr<ProgramRun> daemon;
    PrivateBus()
    {
        folder.write("bus.conf", "<busconfig><type>session</type><listen>" + address +
                                     "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                     "<allow own=\"*\"/></policy></busconfig>\n");
        daemon = std::make_unique<ProgramRun>(
            "/usr/bin/dbus-daemon", std::vector<std::string>{}, folder / "bus.log",
            std::vector<std::string>{"--nofork", "--config-file=" + (folder / "bus.conf")});
        eventually([&] { return fs::exists(folder / "bus"); });
    }
    std::string run(const std::string& command) const
    {
        return shell("export DBUS_SESSION_BUS_ADDRESS='" + address + "'; " + command);
    }
};

TEST(Desktop, playerctlDrivesTheButtonsAndSeesWhatTheyChose)
{
    PrivateBus bus;
    ProgramFolder folder;
    const std::string album = "caf\xE9 x"; // not UTF-8 (Latin-1), and a blank: the URI keeps its bytes
    for (int n = 1; n <= 3; ++n)           // track n lasts 39 + n seconds, so the length tells them apart too
        folder.tone(album + "/" + std::to_string(n) + ".wav", 300 * n, 39 + n);
    folder.write("muini.dat", "1,3\r\n"); // in order, after track 3: start-up wraps round to track 1
    auto player = folder.start({"SDL_AUDIODRIVER=dummy", "DBUS_SESSION_BUS_ADDRESS=" + bus.address});
    const auto ctl = [&](const std::string& args) { return bus.run("timeout 20 playerctl -p zuvelo " + args); };
    ASSERT_TRUE(eventually([&] { return bus.run("playerctl -l") == "zuvelo"; })) << bus.run("playerctl -l");
    const auto expectTrack = [&](int n, const std::string& step) {
        EXPECT_TRUE(eventually([&] {
            return ctl("metadata mpris:trackid") == "'/org/zuvelo/track/" + std::to_string(n) + "'";
        })) << step
            << ": " << ctl("metadata");
        EXPECT_EQ(ctl("metadata xesam:url"), "file://" + folder.path() + "/caf%E9%20x/" + std::to_string(n) + ".wav");
        EXPECT_EQ(ctl("metadata xesam:title"), std::to_string(n) + ".wav") << step;
        EXPECT_NEAR(std::atoll(ctl("metadata --format '{{mpris:length}}'").c_str()), (39 + n) * 1000000LL, 50000);
    };
    expectTrack(1, "start");
    EXPECT_EQ(ctl("metadata xesam:album"), "caf\xEF\xBF\xBD x") << "a D-Bus string is UTF-8";
    // A method of the player called as any client calls it: the reply, or the error.
    const auto gdbus = [&](const std::string& player, const std::string& method) {
        return bus.run("timeout 20 gdbus call --session --dest org.mpris.MediaPlayer2." + player +
                       " --object-path /org/mpris/MediaPlayer2 --method org." + method);
    };
    const auto can = [&](const std::string& player) { // CanGoNext, CanGoPrevious, CanPlay, CanPause: 1 or 0 each
        std::string all;
        for (const std::string what : {"GoNext", "GoPrevious", "Play", "Pause"})
            all += gdbus(player, "freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player Can" + what)[2] == 't' ? '1' : '0';
        return all;
    };
    EXPECT_EQ(can("zuvelo"), "1111");
    // Play/pause toggles from the state of the moment, however fast the presses come (each command
    // is followed by a wait for the ticks that show its outcome); play while playing does nothing.
    const std::tuple<const char*, int, const char*> transport[] = {
        {"status", 1, "Playing"},     {"pause", 1, "Paused"},      {"play", 1, "Playing"},
        {"play-pause", 1, "Paused"},  {"play-pause", 2, "Paused"}, {"play-pause", 1, "Playing"},
        {"play-pause", 2, "Playing"}, {"stop", 1, "Paused"},       {"play", 1, "Playing"}};
    for (const auto& [command, times, status] : transport) {
        bus.run("for i in $(seq " + std::to_string(times) + "); do timeout 20 playerctl -p zuvelo " + command + "; done; sleep 0.3");
        EXPECT_TRUE(eventually([&] { return ctl("status") == status; })) << command << " x" << times << ": " << ctl("status");
    }
    double position = 0;
    ASSERT_TRUE(eventually([&] { return (position = std::stod(ctl("position"))) > 1; }));
    ctl("play; sleep 0.3");
    EXPECT_GT(std::stod(ctl("position")), position) << "play while playing goes on";
    const std::pair<const char*, int> moves[] = {
        {"next", 2}, {"next", 3}, {"next", 1}, {"previous", 3}, {"previous", 2}};
    for (const auto& [command, track] : moves) {
        ctl(command);
        expectTrack(track, command);
    }
    for (const char* shuffle : {"On", "Off", "On"}) {
        ctl(std::string("shuffle ") + shuffle);
        EXPECT_TRUE(eventually([&] { return ctl("shuffle") == shuffle; })) << shuffle;
    }
    EXPECT_TRUE(eventually([&] { return can("zuvelo") == "1011"; })) << "no previous at random: " << can("zuvelo");
    for (const std::string notABoolean : {"'false'", "0"}) // refused, not converted to false
        EXPECT_NE(gdbus("zuvelo", "freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Shuffle \"<" +
                                      notABoolean + ">\"").find("DBus.Error.InvalidArgs:"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ctl("shuffle"), "On");
    // A second copy in another folder is listed beside the first under a name of its own.
    ProgramFolder other;
    auto second = other.start({"SDL_AUDIODRIVER=dummy", "DBUS_SESSION_BUS_ADDRESS=" + bus.address});
    const std::string secondName = "zuvelo.instance" + std::to_string(second->pid());
    EXPECT_TRUE(eventually([&] { return bus.run("playerctl -l | sort") == "zuvelo\n" + secondName; }));
    EXPECT_EQ(can(secondName), "0000") << "no tracks: nothing to play, pause or skip to";
    closeWith(*second, other);
    // Quit closes like the window: the settings are written, with the mode the box shows.
    gdbus("zuvelo", "mpris.MediaPlayer2.Quit");
    ASSERT_TRUE(player->waitForExit());
    EXPECT_EQ(player->exitCode(), 0);
    EXPECT_TRUE(folder.read("muini.dat").starts_with("0,")) << folder.read("muini.dat");
    EXPECT_EQ(folder.log().find("media keys"), std::string::npos) << folder.log();
}

} // namespace
} // namespace zuvelo::testing
