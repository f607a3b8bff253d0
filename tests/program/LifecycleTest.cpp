// The real program's start and end: one copy a folder, and odd ways to start and to be ended,
// each closing in order with the settings written.
#include "ProgramFolder.h"

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

TEST(Lifecycle, oneCopyAFolderAndAKilledCopyBlocksNothing)
{
    ProgramFolder folder;
    auto first = folder.start();
    // Started, and so past its own clean-up of leftovers, which comes right after the lock.
    ASSERT_TRUE(eventually([&] { return folder.log().find("zuvelo: sound output") != std::string::npos; }));
    // A settings write of the first copy in progress, as the second copy would see it.
    folder.write("muini.dat.tmp4242-0", "1,");
    ProgramRun second(folder.program, {"SDL_AUDIODRIVER=dummy"}, folder / "second.log");
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(folder.read("second.log"), "") << "a second copy ends silently";
    EXPECT_TRUE(fs::exists(folder / "muini.dat.tmp4242-0")) << "only the lock holder cleans up";

    first->signal(SIGKILL);
    ASSERT_TRUE(first->waitForExit());
    EXPECT_FALSE(fs::exists(folder / "muini.dat")) << "a killed program saves nothing";
    auto next = folder.start();
    EXPECT_TRUE(eventually([&] { return !fs::exists(folder / "muini.dat.tmp4242-0"); }))
        << "the next start removes a killed writer's temporary file";
    closeWith(*next, folder, SIGINT);
    EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n");
}

// Started without standard streams, without a display or a session bus, or ended by the terminal
// closing: the program runs, says what it lacks, and closes in order, settings written.
TEST(Lifecycle, oddStartsAndEndsCloseInOrderWithTheSettingsWritten)
{
    const std::vector<std::string> noDisplay = {"SDL_AUDIODRIVER=dummy", "QT_QPA_PLATFORM", "DISPLAY",
                                                "WAYLAND_DISPLAY"};
    TemporaryFolder runtime; // a user's runtime folder holding no bus
    struct Row {
        const char* what;
        int firstClosed; // descriptors firstClosed..2 are closed at the start (3: none)
        std::vector<std::string> environment, arguments;
        int signal;
        std::string says;
        bool stderrReaderGone = false; // stderr a pipe whose reader has ended, as after "| head"
    };
    const Row rows[] = {
        {"stdout and stderr closed", 1, {"SDL_AUDIODRIVER=dummy"}, {}, SIGTERM, ""},
        {"all three closed", 0, {"SDL_AUDIODRIVER=dummy"}, {}, SIGTERM, ""},
        {"terminal closed", 3, {"SDL_AUDIODRIVER=dummy"}, {}, SIGHUP, "zuvelo: sound output"},
        {"no display", 3, noDisplay, {}, SIGTERM, "no display"},
        {"no display, opened with a file", 3, noDisplay, {"/tmp/a.mp3"}, SIGTERM, "no display"},
        {"no session bus", 3, {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=" + runtime.path()}, {}, SIGTERM,
         "zuvelo: media keys are unavailable: no session bus"},
        {"stderr's reader gone", 3, {"SDL_AUDIODRIVER=dummy"}, {}, SIGTERM, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramFolder folder;
        const int firstClosed = row.firstClosed;
        const bool readerGone = row.stderrReaderGone;
        auto run = folder.start(row.environment, row.arguments, [firstClosed, readerGone] {
            for (int fd = firstClosed; fd <= 2; ++fd)
                ::close(fd);
            if (int ends[2]; readerGone && ::pipe(ends) == 0)
                ::dup2(ends[1], 2), ::close(ends[0]), ::close(ends[1]);
        });
        ASSERT_TRUE(eventually([&] { return holdsOpen(run->pid(), folder.path()) || !run->running(); }));
        for (int fd = firstClosed; fd <= 2; ++fd)
            EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(run->pid()) + "/fd/" + std::to_string(fd)),
                      "/dev/null");
        // What it says once started, or time to misread a stray write.
        eventually([&] { return folder.log().find("zuvelo: sound output") != std::string::npos || !run->running(); },
                   std::chrono::seconds(firstClosed < 3 || readerGone ? 1 : 60));
        closeWith(*run, folder, row.signal);
        EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n");
        EXPECT_TRUE(row.says.empty() || folder.log().find(row.says) != std::string::npos) << folder.log();
        EXPECT_EQ(folder.log().find("no display") != std::string::npos, row.says == "no display") << folder.log();
    }
}

TEST(Lifecycle, losingTheDisplayStillWritesTheSettingsAndEndsInOrder)
{
    // A private X server on a free display, whose number Xvfb writes to a file.
    TemporaryFolder x;
    const std::string server = shell("Xvfb -displayfd 3 -nolisten tcp 3>'" + (x / "display") + "' >/dev/null 2>&1 & echo $!");
    ASSERT_TRUE(eventually([&] { return x.read("display").ends_with("\n"); })) << "no Xvfb (install-deps.sh installs it)";
    ProgramFolder folder;
    auto player = folder.start({"SDL_AUDIODRIVER=dummy", "QT_QPA_PLATFORM=xcb", "DISPLAY=:" + shell("cat " + (x / "display"))});
    ASSERT_TRUE(eventually([&] { return folder.log().find("zuvelo: sound output") != std::string::npos; }))
        << folder.log();
    ::kill(std::stoi(server), SIGTERM); // as at logout
    ASSERT_TRUE(player->waitForExit());
    EXPECT_GE(player->exitCode(), 0) << "ended by a signal: " << -player->exitCode();
    EXPECT_EQ(folder.read("muini.dat"), "0,1\r\n") << folder.log();
}

} // namespace
} // namespace zuvelo::testing
