// The desktop's media service of the real program, driven by the real client playerctl on a
// private session bus that each test starts and ends itself.
#include "ProgramFolder.h"
#include "ProgramRun.h"
#include "ToneTrack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

// A dbus-daemon of the test's own, with a configuration that activates no services, so nothing runs
// on it but what the test starts. Ended with the object.
class PrivateBus {
public:
    PrivateBus()
    {
        const std::string socket = m_folder / "bus";
        m_folder.write(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:path=" +
                socket +
                "</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        address = "unix:path=" + socket;
        const std::string config = "--config-file=" + (m_folder / "bus.conf");
        const std::string log = m_folder / "bus.log";
        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execlp("dbus-daemon", "dbus-daemon", "--nofork", config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ready = eventually([&] { return fs::exists(socket); });
    }
    ~PrivateBus()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }

    // The output of a shell command run as a client of this bus, stderr included, without the
    // last line feed.
    std::string run(const std::string& command) const
    {
        const std::string line = "DBUS_SESSION_BUS_ADDRESS='" + address + "' timeout 20 " + command + " 2>&1";
        std::string output;
        if (FILE* pipe = ::popen(line.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                output.append(buffer, n);
            ::pclose(pipe);
        }
        if (output.ends_with('\n'))
            output.pop_back();
        return output;
    }

    std::string address;
    bool ready = false;

private:
    TemporaryFolder m_folder;
    pid_t m_pid = -1;
};

std::unique_ptr<ProgramRun> startOnBus(const ProgramFolder& folder, const PrivateBus& bus,
                                       const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"})
{
    std::vector<std::string> env = environment;
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.address);
    return std::make_unique<ProgramRun>(folder.program, env, folder / "player.log", ProgramRun::Stderr::WithStdout);
}

void encodeTone(const std::string& file, int hertz, int seconds)
{
    const std::string command = "ffmpeg -v error -y -f lavfi -i 'sine=frequency=" + std::to_string(hertz) +
                                ":duration=" + std::to_string(seconds) + "' -ar 44100 -ac 2 '" + file + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Three names in folder that the scan takes in name order whether it sorts the names or keeps the
// order the file system lists them in: among twelve placeholders, three that the folder lists in
// name order. The others are removed.
std::vector<std::string> namesInScanOrder(const std::string& folder)
{
    for (int i = 1; i <= 12; ++i)
        std::ofstream(folder + "/" + (i < 10 ? "0" : "") + std::to_string(i) + ".wav");
    std::vector<std::string> listed;
    for (const auto& entry : fs::directory_iterator(folder))
        listed.push_back(entry.path().filename().string());
    std::vector<std::string> chosen;
    for (std::size_t i = 0; i < listed.size() && chosen.empty(); ++i)
        for (std::size_t j = i + 1; j < listed.size() && chosen.empty(); ++j)
            for (std::size_t k = j + 1; k < listed.size() && chosen.empty(); ++k)
                if (listed[i] < listed[j] && listed[j] < listed[k])
                    chosen = {listed[i], listed[j], listed[k]};
    for (const std::string& name : listed)
        if (std::find(chosen.begin(), chosen.end(), name) == chosen.end())
            fs::remove(folder + "/" + name);
    return chosen;
}

TEST(MediaKeys, playerctlDrivesTheButtonsAndSeesWhatTheyChose)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.ready);
    ProgramFolder folder;
    // A folder name that is not UTF-8 (Latin-1 "é") and has a blank: the URI keeps its bytes.
    const std::string album = "caf\xE9 x";
    folder.makeFolder(album);
    const std::vector<std::string> names = namesInScanOrder(folder / album);
    ASSERT_EQ(names.size(), 3u);
    const std::string albumUri = "file://" + folder.path() + "/caf%E9%20x/";
    // Track n lasts 39 + n seconds, so the length tells the tracks apart too.
    for (int n = 1; n <= 3; ++n)
        encodeTone(folder / (album + "/" + names[n - 1]), 300 * n, 39 + n);
    folder.write("muini.dat", "1,3\r\n"); // in order, after track 3: start-up wraps round to track 1

    auto player = startOnBus(folder, bus);
    const auto ctl = [&](const std::string& args) { return bus.run("playerctl -p zuvelo " + args); };
    ASSERT_TRUE(eventually([&] { return bus.run("playerctl -l") == "zuvelo"; })) << bus.run("playerctl -l");

    // The track now playing is n: its id, its file, its length within 50 ms.
    const auto expectTrack = [&](int n, const std::string& step) {
        const std::string id = "'/org/zuvelo/track/" + std::to_string(n) + "'"; // playerctl quotes paths
        EXPECT_TRUE(eventually([&] { return ctl("metadata mpris:trackid") == id; })) << step << ": " << ctl("metadata");
        EXPECT_EQ(ctl("metadata xesam:url"), albumUri + names[n - 1]) << step;
        EXPECT_EQ(ctl("metadata xesam:title"), names[n - 1]) << step;
        EXPECT_NEAR(std::atoll(ctl("metadata --format '{{mpris:length}}'").c_str()), (39 + n) * 1000000LL, 50000)
            << step;
    };
    expectTrack(1, "start");
    EXPECT_EQ(ctl("metadata xesam:album"), "caf\xEF\xBF\xBD x") << "a D-Bus string is UTF-8";

    const struct {
        const char* command;
        const char* status;
    } transport[] = {
        {"status", "Playing"},     {"pause", "Paused"}, {"play", "Playing"}, {"play-pause", "Paused"},
        {"play-pause", "Playing"}, {"stop", "Paused"},  {"play", "Playing"},
    };
    for (const auto& row : transport) {
        ctl(row.command);
        EXPECT_TRUE(eventually([&] { return ctl("status") == row.status; })) << row.command << ": " << ctl("status");
    }

    // ">>" and "<<" in order, wrapping at both ends.
    const struct {
        const char* command;
        int track;
    } moves[] = {
        {"next", 2}, {"next", 3}, {"next", 1}, {"previous", 3}, {"previous", 2},
    };
    for (const auto& row : moves) {
        ctl(row.command);
        expectTrack(row.track, row.command);
    }

    for (const char* shuffle : {"On", "Off", "On"}) {
        ctl(std::string("shuffle ") + shuffle);
        EXPECT_TRUE(eventually([&] { return ctl("shuffle") == shuffle; })) << shuffle;
    }
    // Quit closes like the window: the settings are written, with the mode the box shows.
    bus.run("gdbus call --session --dest org.mpris.MediaPlayer2.zuvelo --object-path /org/mpris/MediaPlayer2 "
            "--method org.mpris.MediaPlayer2.Quit");
    ASSERT_TRUE(player->waitForExit());
    EXPECT_EQ(player->exitCode(), 0);
    EXPECT_TRUE(folder.read("muini.dat").starts_with("0,")) << folder.read("muini.dat");
    EXPECT_EQ(folder.read("player.log").find("media keys"), std::string::npos) << folder.read("player.log");
}

TEST(MediaKeys, twoCopiesInDifferentFoldersAreBothListedWithTheProtocolsTypes)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.ready);
    ProgramFolder first, second; // no tracks at all
    auto one = startOnBus(first, bus);
    ASSERT_TRUE(eventually([&] { return bus.run("playerctl -l") == "zuvelo"; })) << bus.run("playerctl -l");
    auto two = startOnBus(second, bus);
    const std::string both = "zuvelo\nzuvelo.instance" + std::to_string(two->pid());
    const auto listed = [&] {
        std::string names = bus.run("playerctl -l");
        std::istringstream in(names);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        std::string joined;
        for (const std::string& line : lines)
            joined += (joined.empty() ? "" : "\n") + line;
        return joined;
    };
    EXPECT_TRUE(eventually([&] { return listed() == both; })) << listed();

    const std::string introspection = bus.run(
        "gdbus introspect --session --dest org.mpris.MediaPlayer2.zuvelo --object-path /org/mpris/MediaPlayer2");
    for (const char* expected :
         {"interface org.mpris.MediaPlayer2 {",
          "Raise();",
          "Quit();",
          "readonly b CanQuit = true;",
          "readonly b CanRaise = true;",
          "readonly b HasTrackList = false;",
          "readonly s Identity = 'Zuvelo';",
          "readonly s DesktopEntry = 'zuvelo';",
          "readonly as SupportedUriSchemes = ['file'];",
          "readonly as SupportedMimeTypes = [",
          "interface org.mpris.MediaPlayer2.Player {",
          "Next();",
          "Previous();",
          "Pause();",
          "PlayPause();",
          "Stop();",
          "Play();",
          "Seek(in  x Offset);",
          "SetPosition(in  o TrackId,",
          "in  x Position);",
          "OpenUri(in  s Uri);",
          "Seeked(x Position);",
          "readonly s PlaybackStatus = 'Stopped';",
          "readwrite s LoopStatus = 'Playlist';",
          "readwrite d Rate = 1.0;",
          "readwrite b Shuffle = true;",
          "readonly a{sv} Metadata = {'mpris:trackid': <objectpath '/org/mpris/MediaPlayer2/TrackList/NoTrack'>};",
          "readwrite d Volume = 1.0;",
          "readonly x Position = 0;",
          "readonly d MinimumRate = 1.0;",
          "readonly d MaximumRate = 1.0;",
          "readonly b CanGoNext = false;",
          "readonly b CanGoPrevious = false;",
          "readonly b CanPlay = false;",
          "readonly b CanPause = false;",
          "readonly b CanSeek = false;",
          "readonly b CanControl = true;"})
        EXPECT_NE(introspection.find(expected), std::string::npos) << expected << "\n" << introspection;

    for (ProgramRun* p : {one.get(), two.get()}) {
        p->signal(SIGTERM);
        ASSERT_TRUE(p->waitForExit());
        EXPECT_EQ(p->exitCode(), 0);
    }
}

TEST(MediaKeys, withoutASessionBusThePlayerPlaysAndSaysSoOnce)
{
    ProgramFolder folder;
    TemporaryFolder runtime; // a user's runtime folder holding no bus
    folder.makeFolder("music");
    encodeTone(folder / "music/tone.wav", 440, 2);
    const std::string audio = folder / "audio.raw";
    ProgramRun player(folder.program,
                      {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio, "DBUS_SESSION_BUS_ADDRESS", "DISPLAY",
                       "XDG_RUNTIME_DIR=" + runtime.path()},
                      folder / "player.log", ProgramRun::Stderr::WithStdout);
    EXPECT_TRUE(eventually([&] { return !toneSequence(audio, {440}).empty(); })) << folder.read("player.log");
    player.signal(SIGTERM);
    ASSERT_TRUE(player.waitForExit());
    EXPECT_EQ(player.exitCode(), 0);

    // Our own lines: the usual one about the sound output, and the one about the media keys.
    std::istringstream log(folder.read("player.log"));
    std::vector<std::string> ours;
    for (std::string line; std::getline(log, line);)
        if (line.starts_with("zuvelo:"))
            ours.push_back(line);
    ASSERT_EQ(ours.size(), 2u) << folder.read("player.log");
    EXPECT_TRUE(ours[0].starts_with("zuvelo: sound output")) << ours[0];
    EXPECT_TRUE(ours[1].starts_with("zuvelo: media keys are unavailable: no session bus")) << ours[1];
}

} // namespace
} // namespace zuvelo::testing
