#include "settings/SettingsFile.h"

#include "fileio/FileReplacement.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;
using Values = std::pair<std::int64_t, std::int64_t>; // a1 and a2

constexpr std::int64_t kEmpty = -999999, kBefore = 4321; // an empty variable; a2 before reading
const auto shown = [](const PlayerNumber& n) { return n.isEmpty() ? kEmpty : n.value(); };
const auto entries = [](const std::string& folder) { return std::distance(fs::directory_iterator(folder), {}); };

// One state for every call (building its track table takes a while), set to folder, a1 and a2.
static PlayerState& stateIn(const std::string& folder, std::int64_t a1, std::int64_t a2)
{
    static PlayerState state;
    state.Pare = folder;
    state.a1 = a1;
    state.a2 = a2 == kEmpty ? PlayerNumber{} : PlayerNumber{a2};
    return state;
}

// Start-up's read into a1 = 1 and a2 = kBefore; a3 must follow a2, and no descriptor stay open.
static Values readFrom(const std::string& folder)
{
    const auto descriptors = entries("/proc/self/fd");
    PlayerState& state = stateIn(folder, 1, kBefore);
    readSettings(state);
    EXPECT_EQ(entries("/proc/self/fd"), descriptors);
    EXPECT_EQ(shown(state.a3), shown(state.a2));
    return {shown(state.a1), shown(state.a2)};
}

// Two fields, each a whole 32-bit number or nothing, the mode clamped to 0..2; anything else counts
// as no file, as does a pipe under the name. Rows marked written are what the writer makes of them.
TEST(SettingsFile, readsTwoFieldsOrNothing)
{
    struct Row {
        std::string bytes;
        std::int64_t a1 = 0, a2 = kBefore;
        bool written = false;
    };
    const std::string spaces(4092, ' '); // the read stops after 4,096 bytes
    // clang-format off
    const Row rows[] = {
        {"1,37\r\n", 1, 37, true}, {"0,1\r\n", 0, 1, true}, {"2,\r\n", 2, kEmpty, true}, {"0,-12\r\n", 0, -12, true},
        {"1,2147483647\r\n", 1, 2147483647, true}, {"0,-2147483648\r\n", 0, -2147483648LL, true}, {"2,5", 2, 5},
        {"1\r\n37\r\n", 1, 37}, {"0\n9\n", 0, 9}, {"1\r37\r", 1, 37}, {"  1 ,\t37  \r\n", 1, 37}, {"1,37,9\r\nx", 1, 37},
        {"5,10\r\n", 2, 10}, {"-3,10\r\n", 0, 10}, {"+1,+4\r\n", 1, 4}, {"2,", 2, kEmpty}, {",37\r\n", 0, 37},
        {"  ,37\r\n", 0, 37}, {"1,  \r\n", 1, kEmpty}, {"1,\r\n37\r\n", 1, kEmpty}, {spaces + "1,23", 1, 23},
        {"2,3\r\n" + std::string(1 << 20, 'x'), 2, 3}, {""}, {"\r\n"}, {"1"}, {"1\r\n"}, {"1,abc\r\n"}, {"1x,2\r\n"},
        {"1.5,2\r\n"}, {"1,1e3\r\n"}, {"1,3 7\r\n"}, {"\"1\",\"2\"\r\n"}, {"2147483648,1\r\n"}, {"1,-2147483649\r\n"},
        {"+-1,2\r\n"}, {"-,2\r\n"}, {std::string("1,\0\0", 4)}, {std::string(5000, ' ') + "1,2\r\n"},
        {spaces + " 1,23\r\n"}}; // the last two: values beyond the read, or cut by it
    // clang-format on
    TemporaryFolder pare;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.bytes.substr(0, 30)));
        pare.write("muini.dat", row.bytes);
        EXPECT_EQ(readFrom(pare.path()), Values(row.a1, row.a2));
        EXPECT_TRUE(!row.written ||
                    (!writeSettings(stateIn(pare.path(), row.a1, row.a2)) && pare.read("muini.dat") == row.bytes));
    }
    fs::remove(pare / "muini.dat");
    ASSERT_EQ(::mkfifo((pare / "muini.dat").c_str(), 0600), 0); // a silent pipe: no file, and no hang
    EXPECT_EQ(readFrom(pare.path()), Values(0, kBefore));
}

// The last good settings survive a writer that fails half-way, or is killed at any moment: after
// each of 250 whole writes a child writing ever newer values is killed at a random moment, and the
// next read finds that write or a later one. Start-up then clears away what the killed ones left.
TEST(SettingsFile, lastGoodSettingsSurviveAFailingWriter)
{
    TemporaryFolder pare;
    ASSERT_EQ(writeSettings(stateIn(pare.path(), 0, 0)), std::nullopt);
    const auto descriptors = entries("/proc/self/fd");
    if (::fork() == 0) { // a child, whose file size limit stands in for a full disk
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{2, 2};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::_exit(writeSettings(stateIn(pare.path(), 1, 123456789)) && entries("/proc/self/fd") == descriptors ? 0 : 1);
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
