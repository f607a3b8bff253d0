// The transport handlers and the monitor on the real media layer (SDL's dummy driver), over a
// library of bad tracks: the monitor gives up after one round, and the buttons bring playback back
// once a good file is there.
#include "MediaCorpus.h"
#include "TemporaryFolder.h"

#include "FakeForm.h"
#include "app/MciMediaControl.h"
#include "handlers/PlayerHandlers.h"
#include "handlers/Startup.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zuvelo::testing {
namespace {

// The real media layer, with every command and its result remembered.
class RecordedMci : public MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override
    {
        const unsigned long result = m_real.sendString(command, reply, replyCapacity);
        m_sent.push_back({command, result});
        return result;
    }
    // Opens sent so far (either letter case), and how many of them succeeded.
    int opens() const { return countOpens(false); }
    int successfulOpens() const { return countOpens(true); }
    // Device names that opened, in order.
    std::vector<std::string> openedDevices() const
    {
        std::vector<std::string> names;
        for (const auto& [command, result] : m_sent)
            if (result == 0 && (command.starts_with("Open ") || command.starts_with("open ")))
                names.push_back(command.substr(5));
        return names;
    }
    std::string status(const std::string& device)
    {
        char reply[256] = "";
        m_real.sendString(("status " + device + " mode").c_str(), reply, 255);
        return reply;
    }

private:
    int countOpens(bool onlySucceeded) const
    {
        int n = 0;
        for (const auto& [command, result] : m_sent)
            n += (command.starts_with("Open ") || command.starts_with("open ")) && (!onlySucceeded || result == 0);
        return n;
    }
    MciMediaControl m_real;
    std::vector<std::pair<std::string, unsigned long>> m_sent;
};

// The player's handlers on a fake window over the real media layer, started from folder.
struct RealMediaPlayer {
    std::unique_ptr<PlayerState> statePtr = std::make_unique<PlayerState>();
    PlayerState& state = *statePtr;
    RecordedMci media;
    FakeForm form;
    PlayerContext ctx{state, media, form, {}};
    PlayerHandlers handlers{ctx, [](const std::string&) {}, [] {}};

    explicit RealMediaPlayer(const std::string& folder)
    {
        form.events = &handlers;
        formLoad(ctx, folder);
    }
    ~RealMediaPlayer() { handlers.formUnload(); }

    // Runs ticks 100 ms apart, as Timer1 would, until done() holds or ticks have run.
    template <typename Done>
    bool tickUntil(Done done, int ticks)
    {
        for (int i = 0; i < ticks && !done(); ++i) {
            handlers.timer1Timer();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return done();
    }
};

class BadTracksOnRealMedia : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
    TemporaryFolder folder;
    TemporaryFolder scratch;
};

TEST_F(BadTracksOnRealMedia, theMonitorGivesUpAfterOneRoundAndAButtonPlaysAGoodFileAgain)
{
    folder.write("muini.dat", "1,3\r\n");
    folder.write("Bad/zero.mp3");
    folder.write("Bad/random.wav");
    folder.write("Bad/cut.mid");
    MediaCorpus::write(folder / "Bad/random.wav", MediaCorpus::randomBytes(4096, 7));
    MediaCorpus::write(folder / "Bad/cut.mid",
                       MediaCorpus::truncated(MediaCorpus::tone("mid", 440, 1, scratch.path()), 16));

    RealMediaPlayer player(folder.path());
    player.ctx.now = [] { return PlayerContext::Clock::time_point{}; }; // no slow retry comes
    ASSERT_EQ(player.state.nmax, 3);
    EXPECT_EQ(player.state.a2, 1) << "in order after the saved track 3";
    EXPECT_EQ(player.media.successfulOpens(), 0);
    const int startupOpens = player.media.opens();

    // Two more tracks are tried, then the monitor stops trying.
    player.tickUntil([] { return false; }, 15);
    EXPECT_EQ(player.media.opens() - startupOpens, 2);
    EXPECT_EQ(player.media.successfulOpens(), 0);
    EXPECT_EQ(player.state.a2, 3);

    // A good file appears where track 2 was; "previous" twice over from 3 lands before 2.
    const std::string goodTrack = folder.path() + player.state.FileList[2];
    MediaCorpus::write(goodTrack,
                       MediaCorpus::tone(goodTrack.substr(goodTrack.rfind('.') + 1), 440, 0.5, scratch.path()));
    player.tickUntil([] { return false; }, 3);
    EXPECT_EQ(player.media.successfulOpens(), 0) << "nothing moves before the user acts";
    player.handlers.command3Click();
    ASSERT_TRUE(player.tickUntil([&] { return player.media.successfulOpens() == 1; }, 5));
    EXPECT_EQ(player.state.a2, 2);
    EXPECT_EQ(player.form.text1, "2");
    EXPECT_EQ(player.media.status(player.state.SoundFile), "playing");

    // When it ends, the round of bad tracks that follows leads back to it.
    ASSERT_TRUE(player.tickUntil([&] { return player.media.successfulOpens() == 2; }, 100));
    EXPECT_EQ(player.state.a2, 2);
}

TEST_F(BadTracksOnRealMedia, tracksWithOddNamesPlayInTurn)
{
    // Names the command strings must carry intact: quotes, words of the command language, bytes
    // that are not UTF-8, a line break, blanks at both ends, the longest name a folder allows.
    const std::vector<std::string> names = {"with \"quotes\" inside.wav",   "seek to start play.mp3", "x\" mode.wav",
                                            "\xff\xfe not utf-8 \xe9.wav",  "new\nline.mp2",          "  blanks  .wav",
                                            std::string(251, 'n') + ".wav", "-dash & semicolon;.mid"};
    std::map<std::string, std::vector<std::uint8_t>> tones;
    for (const std::string& name : names) {
        const std::string format = name.substr(name.rfind('.') + 1);
        if (!tones.contains(format))
            tones[format] = MediaCorpus::tone(format, 440, 0.3, scratch.path());
        folder.write("Odd/" + name); // placeholders first, as a folder fills
    }
    for (const std::string& name : names)
        MediaCorpus::write(folder / ("Odd/" + name), tones.at(name.substr(name.rfind('.') + 1)));
    folder.write("muini.dat", "1," + std::to_string(names.size()) + "\r\n");

    RealMediaPlayer player(folder.path());
    ASSERT_EQ(player.state.nmax, static_cast<int>(names.size()));
    ASSERT_TRUE(
        player.tickUntil([&] { return player.media.successfulOpens() == static_cast<int>(names.size()); }, 300));
    std::set<std::string> opened;
    for (const std::string& device : player.media.openedDevices())
        opened.insert(device);
    for (const std::string& name : names)
        EXPECT_TRUE(opened.contains("\"" + folder.path() + "/Odd/" + name + "\"")) << name;
}

TEST_F(BadTracksOnRealMedia, aTrackCutShortWhilePlayingEndsAndTheLayerGoesOn)
{
    MciMediaControl media;
    const auto send = [&](const std::string& command) {
        char reply[256] = "";
        const unsigned long result = media.sendString(command.c_str(), reply, 255);
        return result == 0 ? std::string(reply) : "error " + std::to_string(result);
    };
    // PCM and compressed frames: the two ways FFmpeg's reader meets the cut. The tracks are longer
    // than the two seconds a device decodes ahead, so the decoder does run into the cut.
    for (const std::string format : {"wav", "mp3"}) {
        // Another program rewrites the file while it plays: it shrinks to its first kilobyte.
        const std::string path = folder / ("cut." + format);
        MediaCorpus::write(path, MediaCorpus::tone(format, 440, 6, scratch.path()));
        const std::string device = "\"" + path + "\"";
        ASSERT_EQ(send("open " + device), "") << format;
        ASSERT_EQ(send("play " + device), "") << format;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(::truncate(path.c_str(), 1024), 0);

        // It ends like any track, neither hanging nor failing (the loop's bound only keeps a hang
        // from holding the suite).
        std::string mode;
        for (int i = 0; i < 150 && mode != "stopped"; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            mode = send("status " + device + " mode");
        }
        EXPECT_EQ(mode, "stopped") << format;
        EXPECT_EQ(send("close " + device), "") << format;
    }
    // The layer still plays what comes next.
    const std::string good = folder / "good.wav";
    MediaCorpus::write(good, MediaCorpus::tone("wav", 440, 1, scratch.path()));
    ASSERT_EQ(send("open \"" + good + "\""), "");
    ASSERT_EQ(send("play \"" + good + "\""), "");
    EXPECT_EQ(send("status \"" + good + "\" mode"), "playing");
}

// Starts from folder (whose first track cannot be read) and returns 0 when the readable track
// played after it, or a number saying what went wrong. Runs in a child process.
int unreadableIsPassedOver(const std::string& folder)
{
    RealMediaPlayer player(folder);
    if (player.state.nmax != 2)
        return 10;
    if (player.media.successfulOpens() != 0)
        return 11; // the unreadable file opened
    if (!player.tickUntil([&] { return player.media.successfulOpens() == 1; }, 20))
        return 12;
    if (player.state.FileList[static_cast<std::size_t>(player.state.a2.value())] != "/Music/readable.wav")
        return 13;
    return player.media.status(player.state.SoundFile) == "playing" ? 0 : 14;
}

TEST_F(BadTracksOnRealMedia, aTrackThatCannotBeReadIsPassedOver)
{
    folder.write("Music/locked.wav");
    folder.write("Music/readable.wav");
    const auto tone = MediaCorpus::tone("wav", 440, 1, scratch.path());
    MediaCorpus::write(folder / "Music/locked.wav", tone);
    MediaCorpus::write(folder / "Music/readable.wav", tone);
    // In order, starting from track 1, the locked one (the scan takes names in order).
    folder.write("muini.dat", "1,2\r\n");
    ::chmod((folder / "Music/locked.wav").c_str(), 0);

    // Root reads every file whatever its permissions: the check runs as nobody in a child.
    const bool dropPrivileges = ::geteuid() == 0;
    if (dropPrivileges) {
        ::chmod(folder.path().c_str(), 0777); // nobody saves the settings there at the end
        ::chmod((folder / "Music").c_str(), 0755);
        ::chmod((folder / "Music/readable.wav").c_str(), 0644);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (dropPrivileges && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(20);
        ::_exit(unreadableIsPassedOver(folder.path()));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == 20)
        GTEST_SKIP() << "cannot drop root's privileges here, and root reads every file";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see unreadableIsPassedOver for the code";
}

} // namespace
} // namespace zuvelo::testing
