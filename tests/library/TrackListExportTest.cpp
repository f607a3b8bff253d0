#include "library/TrackListExport.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

PlayerState withTracks(const std::string& pare, const std::vector<std::string>& tracks)
{
    PlayerState state;
    state.Pare = pare;
    state.nmax = static_cast<std::int64_t>(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i)
        state.FileList[i + 1] = tracks[i];
    return state;
}

// Names other than the list itself: nothing else may be left behind in the folder.
std::vector<std::string> otherNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "list.csv")
            names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(TrackListExport, writesNumberCommaQuotedPathWithCarriageReturnBeforeTheClosingQuote)
{
    TemporaryFolder pare;
    const PlayerState state = withTracks(
        pare.path(), {"/Jazz/so what.mp3", "/\xE6\xBC\x94\xE6\xAD\x8C/\xE6\x9B\xB2.mid", "/x/caf\xE9 \"live\".wav"});
    EXPECT_EQ(writeTrackList(state), std::nullopt);
    EXPECT_EQ(pare.read("list.csv"), "1,\"/Jazz/so what.mp3\r\"\r\n"
                                     "2,\"/\xE6\xBC\x94\xE6\xAD\x8C/\xE6\x9B\xB2.mid\r\"\r\n"
                                     "3,\"/x/caf\xE9 \"live\".wav\r\"\r\n");
    EXPECT_TRUE(otherNames(pare.path()).empty());
}

TEST(TrackListExport, numbersAreBareDecimalsUpToTheLastTrack)
{
    TemporaryFolder pare;
    PlayerState state;
    state.Pare = pare.path();
    state.nmax = kMaxTracks;
    for (int n = 1; n <= kMaxTracks; ++n)
        state.FileList[static_cast<std::size_t>(n)] = "/f/" + std::to_string(n % 7) + ".mp3";
    ASSERT_EQ(writeTrackList(state), std::nullopt);

    const std::string text = pare.read("list.csv");
    EXPECT_EQ(text.substr(0, 17), "1,\"/f/1.mp3\r\"\r\n2,");
    EXPECT_NE(text.find("\r\n10,\"/f/3.mp3\r\"\r\n11,\"/f/4.mp3\r\"\r\n"), std::string::npos);
    const std::string last = "50000,\"/f/6.mp3\r\"\r\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    // 50,000 lines: comma, two quotes, CR, CR LF and an 8-byte path each, plus every number.
    const std::size_t digits = 9 * 1 + 90 * 2 + 900 * 3 + 9000 * 4 + 40001 * 5;
    EXPECT_EQ(text.size(), 50000u * 14 + digits);
}

TEST(TrackListExport, noTracksGivesAnEmptyFile)
{
    TemporaryFolder pare;
    PlayerState state;
    state.Pare = pare.path();
    EXPECT_EQ(writeTrackList(state), std::nullopt); // nmax still empty
    EXPECT_EQ(pare.read("list.csv"), "");
    state.nmax = 0;
    state.FileList[1] = "/left/over.mp3"; // beyond nmax: never written
    pare.write("list.csv", "old content");
    EXPECT_EQ(writeTrackList(state), std::nullopt);
    EXPECT_EQ(pare.read("list.csv"), "");
}

TEST(TrackListExport, replacesAnEarlierList)
{
    TemporaryFolder pare;
    pare.write("list.csv", std::string(1000, 'x'));
    pare.write("LIST.CSV", "other case");
    const PlayerState state = withTracks(pare.path(), {"/a/b.mp3"});
    ASSERT_EQ(writeTrackList(state), std::nullopt);
    ASSERT_EQ(writeTrackList(state), std::nullopt);
    EXPECT_EQ(pare.read("list.csv"), "1,\"/a/b.mp3\r\"\r\n");
    EXPECT_EQ(pare.read("LIST.CSV"), "other case");
}

TEST(TrackListExport, failureIsReportedAndLeavesNothingBehind)
{
    TemporaryFolder pare;
    pare.makeFolder("list.csv");
    pare.write("list.csv/inside.txt", "untouched");
    const PlayerState state = withTracks(pare.path(), {"/a/b.mp3"});
    const auto error = writeTrackList(state);
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find("list.csv"), std::string::npos) << *error;
    EXPECT_EQ(pare.read("list.csv/inside.txt"), "untouched");
    EXPECT_TRUE(otherNames(pare.path()).empty());

    const PlayerState missing = withTracks(pare.path() + "/gone", {"/a/b.mp3"});
    EXPECT_TRUE(writeTrackList(missing).has_value());
}

// A write that fails half-way (here the file size limit, standing in for a full disk) leaves
// the earlier list whole.
TEST(TrackListExport, writeFailingHalfWayKeepsTheEarlierList)
{
    TemporaryFolder pare;
    pare.write("list.csv", "earlier");
    PlayerState state = withTracks(pare.path(), {"/a/b.mp3", "/c/d.mp3", "/e/f.mp3"});

    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto error = writeTrackList(state);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(error.has_value());
    EXPECT_EQ(pare.read("list.csv"), "earlier");
    EXPECT_TRUE(otherNames(pare.path()).empty());
}
