#include "settings/SettingsFile.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

constexpr int kEmpty = -999999; // an empty variable in the tables below

PlayerNumber number(std::int64_t value)
{
    return value == kEmpty ? PlayerNumber{} : PlayerNumber{value};
}

std::int64_t shown(const PlayerNumber& n)
{
    return n.isEmpty() ? kEmpty : n.value();
}

// Reads a settings file holding these bytes into a state whose a2 was a2Before.
PlayerState readFrom(const std::string& bytes, std::int64_t a2Before = kEmpty)
{
    TemporaryFolder pare;
    pare.write("muini.dat", bytes);
    PlayerState state;
    state.Pare = pare.path();
    state.a1 = 1;
    state.a2 = number(a2Before);
    readSettings(state);
    return state;
}

std::vector<std::string> names(const std::string& folder)
{
    std::vector<std::string> result;
    for (const auto& entry : fs::directory_iterator(folder))
        result.push_back(entry.path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

TEST(SettingsFile, writesModeCommaTrackAndCarriageReturnLineFeed)
{
    struct Row {
        std::int64_t a1, a2;
        const char* bytes;
    };
    const Row rows[] = {
        {1, 37, "1,37\r\n"},
        {0, 1, "0,1\r\n"},
        {2, kEmpty, "2,\r\n"},
        {kEmpty, 5, ",5\r\n"},
        {kEmpty, kEmpty, ",\r\n"},
        {0, -12, "0,-12\r\n"},
        {2, 0, "2,0\r\n"},
        {1, 2147483647, "1,2147483647\r\n"},
        {0, -2147483648LL, "0,-2147483648\r\n"},
    };
    TemporaryFolder pare;
    for (const Row& row : rows) {
        PlayerState state;
        state.Pare = pare.path();
        state.a1 = number(row.a1);
        state.a2 = number(row.a2);
        ASSERT_EQ(writeSettings(state), std::nullopt);
        EXPECT_EQ(pare.read("muini.dat"), row.bytes);
        EXPECT_EQ(names(pare.path()), std::vector<std::string>{"muini.dat"}); // no temporary left
    }
}

TEST(SettingsFile, readsTheClassicFieldsAndClampsTheMode)
{
    struct Row {
        const char* bytes;
        std::int64_t a1, a2;
    };
    const Row rows[] = {
        {"1,37\r\n", 1, 37},
        {"2,5", 2, 5},          // no line end
        {"1\r\n37\r\n", 1, 37}, // fields on lines of their own
        {"0\n9\n", 0, 9},
        {"  1 ,\t37  \r\n", 1, 37}, // blanks around numbers
        {"1,37\r\nanything after", 1, 37},
        {"1,37,99\r\n", 1, 37},
        {"5,10\r\n", 2, 10},
        {"-3,10\r\n", 0, 10},
        {"2147483647,1\r\n", 2, 1},
        {"-2147483648,-2147483648\r\n", 0, -2147483648LL},
        {"+1,+4\r\n", 1, 4},
        {"1,-7\r\n", 1, -7},
        {"1,\r\n", 1, kEmpty}, // what the writer makes of an empty track number
        {"2,", 2, kEmpty},
        {",37\r\n", 0, 37}, // an empty mode: random, as on a first run
        {",\r\n", 0, kEmpty},
        {"  ,37\r\n", 0, 37}, // blank fields are empty ones
        {"1,  \r\n", 1, kEmpty},
        {"1,\r\n37\r\n", 1, kEmpty}, // a line end closes the second field, even empty
        {"1\r37\r", 1, 37},          // a lone CR is a line end too
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(std::string(row.bytes)));
        const PlayerState state = readFrom(row.bytes, 4);
        EXPECT_EQ(shown(state.a1), row.a1);
        EXPECT_EQ(shown(state.a2), row.a2);
        EXPECT_EQ(shown(state.a3), row.a2);
    }
    // A file that ends exactly at the bounded read's limit is whole, not cut.
    const std::string atLimit = std::string(4092, ' ') + "1,23";
    ASSERT_EQ(atLimit.size(), 4096u);
    const PlayerState state = readFrom(atLimit);
    EXPECT_EQ(shown(state.a1), 1);
    EXPECT_EQ(shown(state.a2), 23);
}

// Anything that is not two whole numbers within 32 bits counts as no file: random mode, and the
// track number as it was.
TEST(SettingsFile, unusableContentCountsAsAbsent)
{
    const std::string rows[] = {
        "",
        "\r\n",
        "1",
        "1\r\n",
        "abc,def\r\n",
        "1,abc\r\n",
        "1x,2\r\n",
        "1.5,2\r\n",
        "1,2.0\r\n",
        "1,1e3\r\n",
        "1,3 7\r\n",
        "\"1\",\"2\"\r\n",
        "2147483648,1\r\n",
        "1,-2147483649\r\n",
        "1,99999999999999999999\r\n",
        "+-1,2\r\n",
        "-,2\r\n",
        std::string("1,\0\0\0", 5),
        std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
        std::string(5000, ' ') + "1,2\r\n",  // values beyond the bounded read
        std::string(4093, ' ') + "1,23\r\n", // second value cut by the bounded read
    };
    for (const std::string& bytes : rows) {
        SCOPED_TRACE(::testing::PrintToString(bytes.substr(0, 40)));
        for (std::int64_t before : {std::int64_t{kEmpty}, std::int64_t{9}}) {
            const PlayerState state = readFrom(bytes, before);
            EXPECT_EQ(shown(state.a1), 0);
            EXPECT_EQ(shown(state.a2), before);
            EXPECT_EQ(shown(state.a3), before);
        }
    }
    // A large but well-formed start is read as the classic input would.
    const PlayerState large = readFrom("2,3\r\n" + std::string(1 << 20, 'x'));
    EXPECT_EQ(shown(large.a1), 2);
    EXPECT_EQ(shown(large.a2), 3);
}

TEST(SettingsFile, onlyTheExactNameCounts)
{
    TemporaryFolder pare;
    pare.write("MUINI.DAT", "2,37\r\n");
    pare.write("Muini.dat", "2,37\r\n");
    PlayerState state;
    state.Pare = pare.path();
    state.a1 = 2;
    state.a2 = 11;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    EXPECT_EQ(shown(state.a2), 11);
    EXPECT_EQ(shown(state.a3), 11);

    // Writing creates the exact name and leaves the others alone.
    state.a1 = 1;
    ASSERT_EQ(writeSettings(state), std::nullopt);
    EXPECT_EQ(pare.read("muini.dat"), "1,11\r\n");
    EXPECT_EQ(pare.read("MUINI.DAT"), "2,37\r\n");
}

TEST(SettingsFile, missingFileOrFolderGivesRandomModeAndKeepsTheTrack)
{
    TemporaryFolder pare;
    PlayerState state;
    state.Pare = pare.path();
    state.a1 = 2;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    EXPECT_TRUE(state.a2.isEmpty());
    EXPECT_TRUE(state.a3.isEmpty());

    state.Pare = pare.path() + "/gone";
    state.a1 = 2;
    state.a2 = 6;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    EXPECT_EQ(shown(state.a3), 6);
}

// Names that are not ordinary files must not hang or crash start-up.
TEST(SettingsFile, specialFilesUnderTheNameCountAsAbsent)
{
    TemporaryFolder pare;
    PlayerState state;
    state.Pare = pare.path();

    pare.makeFolder("muini.dat");
    state.a1 = 2;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    fs::remove(pare.path() + "/muini.dat");

    ASSERT_EQ(::mkfifo((pare.path() + "/muini.dat").c_str(), 0644), 0); // nobody writes to it
    state.a1 = 2;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    fs::remove(pare.path() + "/muini.dat");

    fs::create_symlink("/dev/zero", pare.path() + "/muini.dat"); // endless
    state.a1 = 2;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
    fs::remove(pare.path() + "/muini.dat");

    fs::create_symlink(pare.path() + "/nowhere", pare.path() + "/muini.dat");
    state.a1 = 2;
    readSettings(state);
    EXPECT_EQ(shown(state.a1), 0);
}

TEST(SettingsFile, writtenValuesReadBackUnchanged)
{
    TemporaryFolder pare;
    for (std::int64_t a1 : {0, 1, 2}) {
        for (std::int64_t a2 : {std::int64_t{kEmpty}, std::int64_t{0}, std::int64_t{1}, std::int64_t{-1},
                                std::int64_t{50000}, std::int64_t{2147483647}}) {
            PlayerState saved;
            saved.Pare = pare.path();
            saved.a1 = a1;
            saved.a2 = number(a2);
            ASSERT_EQ(writeSettings(saved), std::nullopt);
            PlayerState loaded;
            loaded.Pare = pare.path();
            readSettings(loaded);
            EXPECT_EQ(shown(loaded.a1), a1);
            EXPECT_EQ(shown(loaded.a2), a2);
            EXPECT_EQ(shown(loaded.a3), a2);
        }
    }
}

TEST(SettingsFile, failedWriteIsReportedAndKeepsTheLastGoodSettings)
{
    TemporaryFolder pare;
    pare.write("muini.dat", "2,44\r\n");
    PlayerState state;
    state.Pare = pare.path();
    state.a1 = 1;
    state.a2 = 123456789;

    // The file size limit stands in for a disk that fills up half-way through the write.
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto error = writeSettings(state);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(pare.read("muini.dat"), "2,44\r\n");
    EXPECT_EQ(names(pare.path()), std::vector<std::string>{"muini.dat"});

    // A folder under the name, and a missing program folder, fail the same way.
    TemporaryFolder other;
    other.makeFolder("muini.dat");
    state.Pare = other.path();
    const auto folderError = writeSettings(state);
    ASSERT_TRUE(folderError.has_value());
    EXPECT_NE(folderError->find("muini.dat"), std::string::npos) << *folderError;
    EXPECT_EQ(names(other.path()), std::vector<std::string>{"muini.dat"});
    state.Pare = other.path() + "/gone";
    EXPECT_TRUE(writeSettings(state).has_value());
}
