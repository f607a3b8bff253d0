#include "library/FolderScan.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;

// Tracks 1 to nmax of the table.
static std::vector<std::string> entries(const PlayerState& state)
{
    std::vector<std::string> texts;
    for (std::int64_t n = 1; n <= state.nmax.value(); ++n)
        texts.emplace_back(trackEntry(state, n));
    return texts;
}

// The playable files lying directly in the subfolders, in natural order, byte for byte, through
// links; a yield after every file examined, the count published only at the end.
TEST(FolderScan, takesThePlayableFilesOfTheSubfoldersInNaturalOrder)
{
    TemporaryFolder pare, elsewhere;
    std::vector<std::string> expected = {"/..dots/.mp3", "/.h/..mid", "/A/x.mp3"};
    for (const std::string folder : {"/Disc 1/", "/disc 2/", "/Disc 10/"}) {
        pare.write(folder + "cover.jpg");
        for (const char* file : {"01.mid", "1.mid", "2.WAV", "10.mp3", "a.mp2", "B.mp2"})
            expected.push_back(folder + file);
    }
    for (const char* name : {"/latin \xE9/caf\xE9\xFF.wma", "/Linked/linked.mp3", "/Local/link.mp3", "/Local/own.mp3",
                             "/\xE9\x9F\xB3/\xE6\x9B\xB2 No.1.midi"})
        expected.push_back(name);
    for (const std::string& name : expected)
        if (name.find("link") == std::string::npos) // the two reached through links are made below
            pare.write(name);
    for (const char* name : {"top.mp3", "A/deeper/hidden.mp3", "E", "Vanishing/v.mp3", "Local/dir.mp3/x.mp3"})
        pare.write(name);
    for (const char* name : {"Linked/linked.mp3", "real.mp3"})
        elsewhere.write(name);
    fs::create_symlink(elsewhere / "Linked", pare / "Linked");
    fs::create_symlink(elsewhere / "real.mp3", pare / "Local/link.mp3");
    fs::create_symlink(elsewhere / "gone.mp3", pare / "Local/dangling.mp3");
    fs::create_symlink(pare / "Loop", pare / "Loop");
    ASSERT_EQ(::mkfifo((pare / "Local/pipe.mp3").c_str(), 0644), 0);

    PlayerState state;
    state.Pare = pare.path();
    int yields = 0;
    bool published = false;
    const auto yield = [&] { // the first one removes a folder the scan has listed but not yet reached
        published = published || !state.nmax.isEmpty();
        if (++yields == 1)
            fs::remove_all(pare / "Vanishing");
    };
    EXPECT_EQ(scanFolders(state, yield), 0);
    EXPECT_EQ(entries(state), expected);
    EXPECT_EQ(yields, 29);
    EXPECT_FALSE(published);
}

// The first 50,000 tracks in natural order; the rest only counted, with a yield after every file
// but the one that fills the table, in a folder reached with the table full as well.
TEST(FolderScan, stopsAtFiftyThousandTracksAndCountsTheRest)
{
    TemporaryFolder pare;
    std::vector<std::string> expected;
    const auto make = [&](const std::string& folder, const std::string& stem, int count, const char* suffix) {
        fs::create_directories(pare / folder);
        for (int i = 0; i < count; ++i) {
            const std::string name = "/" + folder + "/" + stem + std::to_string(i) + suffix;
            ::close(::open((pare.path() + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
            if (expected.size() < kMaxTracks)
                expected.push_back(name);
        }
    };
    make("one", "extra", 3, ".wav");
    make("one", "t", 30000, ".mp3");
    make("three", "more", 4, ".mp3");
    make("two", "extra", 3, ".wav");
    make("two", "t", 20000, ".mid"); // the table fills up 10 files before the end
    make("zz", "late", 4, ".mp2");   // reached with the table full
    pare.write("zz/notes.txt");
    pare.makeFolder("zz/folder.mp3");

    PlayerState state;
    state.Pare = pare.path();
    int yields = 0;
    EXPECT_EQ(scanFolders(state, [&] { ++yields; }), 14);
    EXPECT_EQ(state.nmax.value(), kMaxTracks);
    EXPECT_EQ(entries(state), expected);
    EXPECT_EQ(state.FileList.size(), std::size_t(kMaxTracks) + 1);
    EXPECT_EQ(yields, kMaxTracks - 1 + 10 + 5);
}
