#include "library/TrackListExport.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;

// One line per track 1..nmax: the number, a comma, the name in quotes with a CR before the closing
// quote, CR LF; names byte for byte. An earlier list is replaced whole; a count beyond the table
// writes what the table holds; a list that cannot be written is reported by its name, and leaves
// nothing behind.
TEST(TrackListExport, writesOneLinePerTrackOrReportsFailure)
{
    TemporaryFolder pare;
    pare.write("list.csv", "an earlier, longer list");
    PlayerState state;
    state.Pare = pare.path();
    std::vector<std::string> names = {"", "/Jazz/so what.mp3", "/\xE6\xBC\x94/caf\xE9 \"live\",x.wav"};
    for (char c = 'c'; c <= 'k'; ++c) // two-digit numbers from track 10
        names.push_back(std::string("/") + c);
    names.push_back("/beyond nmax");
    state.FileList.resize(names.size());
    for (std::size_t n = 0; n < names.size(); ++n)
        state.FileList.set(n, names[n]);
    state.nmax = 11;
    const std::string eleven = "1,\"/Jazz/so what.mp3\r\"\r\n2,\"/\xE6\xBC\x94/caf\xE9 \"live\",x.wav\r\"\r\n"
                               "3,\"/c\r\"\r\n4,\"/d\r\"\r\n5,\"/e\r\"\r\n6,\"/f\r\"\r\n7,\"/g\r\"\r\n"
                               "8,\"/h\r\"\r\n9,\"/i\r\"\r\n10,\"/j\r\"\r\n11,\"/k\r\"\r\n";
    EXPECT_EQ(writeTrackList(state), std::nullopt);
    EXPECT_EQ(pare.read("list.csv"), eleven);
    state.nmax = 20;
    EXPECT_EQ(writeTrackList(state), std::nullopt);
    EXPECT_EQ(pare.read("list.csv"), eleven + "12,\"/beyond nmax\r\"\r\n");
    state.nmax.clear(); // no tracks: an empty list
    EXPECT_TRUE(!writeTrackList(state) && pare.read("list.csv").empty());

    std::filesystem::remove(pare / "list.csv");
    pare.makeFolder("list.csv");
    state.nmax = 2;
    EXPECT_NE(writeTrackList(state).value_or("").find("list.csv"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pare.path()), {}), 1);
}
