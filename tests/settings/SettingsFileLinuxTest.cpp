#include "SettingsRig.h"

#include "fileio/FileReplacement.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The last good settings survive a writer that fails half-way, or is killed at any moment: after
// each of 250 whole writes a child writing ever newer values is killed at a random moment, and the
// next read finds that write or a later one. Start-up then clears away what the killed ones left.
// Before all that, a silent pipe under the name counts as no file and does not hold start-up.
TEST(SettingsFile, lastGoodSettingsSurviveAFailingWriter)
{
    TemporaryFolder pare;
    ASSERT_EQ(::mkfifo((pare / "muini.dat").c_str(), 0600), 0);
    EXPECT_EQ(readFrom(pare.path()), Values(0, kBefore));
    fs::remove(pare / "muini.dat");
    ASSERT_EQ(writeSettings(stateIn(pare.path(), 0, 0)), std::nullopt);
    const auto descriptors = zuvelo::testing::openHandles();
    if (::fork() == 0) { // a child, whose file size limit stands in for a full disk
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{2, 2};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::_exit(writeSettings(stateIn(pare.path(), 1, 123456789)) && zuvelo::testing::openHandles() == descriptors ? 0 : 1);
    }
    int status = 1;
    ::wait(&status);
    EXPECT_EQ(status, 0) << "the failure went unreported, or left a descriptor open";
    EXPECT_EQ(pare.read("muini.dat") + std::to_string(entries(pare.path())), "0,0\r\n1");

    for (std::int64_t run = 0, last = 0; run < 250; ++run) {
        ASSERT_EQ(writeSettings(stateIn(pare.path(), (last + 1) % 3, last + 1)), std::nullopt);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        for (std::int64_t k = last + 2; child == 0; ++k) // the child writes newer ones until it is killed
            writeSettings(stateIn(pare.path(), k % 3, k));
        ::usleep(static_cast<useconds_t>(run * 7919 % 3000)); // spread over a few writes
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::int64_t a2 = readFrom(pare.path()).second;
        ASSERT_GT(a2, last) << "run " << run;
        ASSERT_EQ(pare.read("muini.dat"), std::to_string(a2 % 3) + "," + std::to_string(a2) + "\r\n");
        last = a2;
    }
    removeLeftoverReplacements(pare / "muini.dat");
    EXPECT_EQ(entries(pare.path()), 1);
}
