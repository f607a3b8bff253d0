#include "library/FolderScan.h"
#include "library/NaturalOrder.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;
namespace fs = std::filesystem;

namespace {

struct ScanResult {
    std::vector<std::string> entries; // FileList(1..nmax)
    int yields = 0;
    std::int64_t nmax = 0;
    std::int64_t leftOut = 0;
};

ScanResult scan(PlayerState& state, const std::function<void()>& extraYield = {})
{
    ScanResult result;
    result.leftOut = scanFolders(state, [&] {
        ++result.yields;
        if (extraYield)
            extraYield();
    });
    result.nmax = state.nmax;
    for (std::int64_t n = 1; n <= state.nmax; ++n)
        result.entries.push_back(state.FileList[static_cast<std::size_t>(n)]);
    return result;
}

ScanResult scan(const std::string& pare)
{
    PlayerState state;
    state.Pare = pare;
    return scan(state);
}

std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// Creates count empty files quickly (the limit test needs tens of thousands).
void makeFiles(const std::string& folder, const std::string& stem, int count, const std::string& suffix)
{
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/" + stem + std::to_string(i) + suffix;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path;
        ::close(fd);
    }
}

} // namespace

TEST(PlayableName, acceptsTheSixSuffixesInAnyCaseWithoutNeedingADot)
{
    for (const char* name :
         {"a.wav", "b.wma", "c.mp3", "d.mp2", "e.mid", "f.midi", "ABC.MP3", "x.WaV", "Song.MiDi", "xwav", "MIDI", "wav",
          "mid", "midi", ".mp3", "a b.Mp2", "\xE6\x9B\xB2.mid", "\xFF\xFE.wma"})
        EXPECT_TRUE(isPlayableName(name)) << name;
    for (const char* name : {"song.flac", "a.mp4", "a.ogg", "mp3.txt", "a.wav ", "a.wav.bak", "", "id", "av", "a.mi",
                             "a.midx", "a.m1d", "WAV\xFF", "a.mp3\n"})
        EXPECT_FALSE(isPlayableName(name)) << name;
}

TEST(FolderScan, collectsPlayableFilesOfFirstLevelSubfoldersOnly)
{
    TemporaryFolder pare;
    pare.write("top.mp3"); // directly in the program's folder: ignored
    pare.write("Jazz/take five.mp3");
    pare.write("Jazz/cover.jpg");         // examined, not taken
    pare.write("Jazz/deeper/hidden.mp3"); // deeper folder: ignored
    pare.write("Classic/Bolero.WAV");
    pare.write("Classic/notes.txt");
    pare.write("Empty/readme.txt");
    pare.makeFolder("Bare");

    PlayerState state;
    state.Pare = pare.path();
    const ScanResult result = scan(state);
    EXPECT_EQ(result.nmax, 2);
    EXPECT_EQ(sorted(result.entries), (std::vector<std::string>{"/Classic/Bolero.WAV", "/Jazz/take five.mp3"}));
    EXPECT_EQ(result.yields, 5); // one after every file inside a subfolder, taken or not
    EXPECT_TRUE(state.FileList[0].empty());
    EXPECT_TRUE(state.FileList[3].empty());
}

TEST(NaturalOrder, digitRunsByValueLettersWithoutCaseThenRawBytes)
{
    // Each name comes strictly before every later one.
    const std::vector<std::string> ordered = {"",
                                              " ",
                                              "-1",
                                              "0",
                                              "00",
                                              "01",
                                              "1",
                                              "1.mp3",
                                              "1a",
                                              "2",
                                              "010",
                                              "10",
                                              "99999999999999999999999",
                                              "0100000000000000000000000",
                                              "100000000000000000000000",
                                              "_",
                                              "A",
                                              "a",
                                              "A01",
                                              "a1",
                                              "a2",
                                              "A10",
                                              "b",
                                              "track 2.mp3",
                                              "Track 10.mp3",
                                              "track 11.mp3",
                                              "z",
                                              "~",
                                              "\xC3\xA9",
                                              "\xFF"};
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        EXPECT_EQ(naturalCompare(ordered[i], ordered[i]), 0) << ordered[i];
        for (std::size_t j = i + 1; j < ordered.size(); ++j) {
            EXPECT_LT(naturalCompare(ordered[i], ordered[j]), 0) << "'" << ordered[i] << "' < '" << ordered[j] << "'";
            EXPECT_GT(naturalCompare(ordered[j], ordered[i]), 0) << "'" << ordered[j] << "' > '" << ordered[i] << "'";
        }
    }
}

TEST(FolderScan, takesFoldersAndFilesInNaturalOrder)
{
    TemporaryFolder pare;
    for (const char* folder : {"Disc 10", "disc 2", "Disc 1"})
        for (const char* file : {"10 Ten.mp3", "2 two.WAV", "cover.jpg", "01 One.mid", "1 one.mid", "B.mp2", "a.mp2"})
            pare.write(std::string(folder) + "/" + file);

    std::vector<std::string> expected;
    for (const char* folder : {"/Disc 1/", "/disc 2/", "/Disc 10/"})
        for (const char* file : {"01 One.mid", "1 one.mid", "2 two.WAV", "10 Ten.mp3", "a.mp2", "B.mp2"})
            expected.push_back(std::string(folder) + file);
    const ScanResult result = scan(pare.path());
    EXPECT_EQ(result.entries, expected);
    EXPECT_EQ(result.yields, 21);
    EXPECT_EQ(result.leftOut, 0);
}

TEST(FolderScan, keepsNamesByteForByte)
{
    TemporaryFolder pare;
    const std::vector<std::string> names = {
        "/\xE9\x9F\xB3\xE6\xA5\xBD/\xE5\xA4\x9C\xE6\x9B\xB2 No.1.mp3", // Japanese folder and file
        "/with blanks/  two  blanks .wav",
        "/quotes \"and\" 'ticks'/say \"hi\".mid",
        "/latin1 \xE9t\xE9/caf\xE9\xFF.midi", // not UTF-8
        "/commas,and;semis/a,b.mp2",
        "/.h/..mid", // hidden names, as close to "." and ".." as names get
        "/..dots/.mp3",
    };
    for (const std::string& name : names)
        pare.write(name.substr(1));

    EXPECT_EQ(sorted(scan(pare.path()).entries), sorted(names));
}

TEST(FolderScan, followsSymbolicLinksAsAUserExpects)
{
    TemporaryFolder pare;
    TemporaryFolder elsewhere;
    elsewhere.write("music/linked folder track.mp3");
    elsewhere.write("real.mp3");
    pare.write("Local/own.mp3");
    fs::create_symlink(elsewhere.path() + "/music", pare.path() + "/Linked");            // folder link
    fs::create_symlink(elsewhere.path() + "/real.mp3", pare.path() + "/Local/link.mp3"); // file link
    fs::create_symlink(elsewhere.path() + "/gone.mp3", pare.path() + "/Local/dangling.mp3");
    fs::create_symlink(elsewhere.path(), pare.path() + "/Local/dir.mp3"); // a folder, not a track
    fs::create_symlink(pare.path() + "/Loop", pare.path() + "/Loop");     // a link to itself

    const ScanResult result = scan(pare.path());
    EXPECT_EQ(sorted(result.entries),
              (std::vector<std::string>{"/Linked/linked folder track.mp3", "/Local/link.mp3", "/Local/own.mp3"}));
    EXPECT_EQ(result.yields, 3);
}

TEST(FolderScan, specialFilesAreNotTracks)
{
    TemporaryFolder pare;
    pare.write("Music/real.mp3");
    ASSERT_EQ(::mkfifo((pare.path() + "/Music/pipe.mp3").c_str(), 0644), 0);
    const ScanResult result = scan(pare.path());
    EXPECT_EQ(result.entries, (std::vector<std::string>{"/Music/real.mp3"}));
    EXPECT_EQ(result.yields, 1);
}

TEST(FolderScan, missingOrEmptyFolderGivesNoTracks)
{
    TemporaryFolder pare;
    const ScanResult empty = scan(pare.path());
    EXPECT_EQ(empty.nmax, 0);
    EXPECT_EQ(empty.yields, 0);

    PlayerState state;
    state.Pare = pare.path() + "/no such folder";
    const ScanResult missing = scan(state);
    EXPECT_FALSE(state.nmax.isEmpty());
    EXPECT_EQ(missing.nmax, 0);
    EXPECT_EQ(missing.yields, 0);
}

// Handlers run during the yields; they must see the table as not yet built, and a folder that
// vanishes or cannot be opened meanwhile is skipped without ending the scan.
TEST(FolderScan, yieldsSeeNoCountAndUnreadableFoldersAreSkipped)
{
    TemporaryFolder pare;
    for (const char* folder : {"A", "B", "C", "D"})
        for (int i = 0; i < 3; ++i)
            pare.write(std::string(folder) + "/" + std::to_string(i) + ".mp3");
    // Not a folder at all under a folder's name: a file and a link to nowhere.
    pare.write("E");
    fs::create_symlink(pare.path() + "/nowhere", pare.path() + "/F");

    // Without root's privileges a folder without permissions cannot be opened either.
    const bool permissionsApply = ::geteuid() != 0;
    if (permissionsApply) {
        pare.write("G/locked.mp3");
        ::chmod((pare.path() + "/G").c_str(), 0);
    }

    PlayerState state;
    state.Pare = pare.path();
    std::string firstFolder;
    bool countSeenDuringYield = false;
    const ScanResult result = scan(state, [&] {
        countSeenDuringYield = countSeenDuringYield || !state.nmax.isEmpty();
        if (firstFolder.empty()) {
            // At the first yield remove every other folder, before the scan reaches it.
            firstFolder = state.FileList[1].substr(1, 1);
            for (const char* folder : {"A", "B", "C", "D"})
                if (folder != firstFolder)
                    fs::remove_all(pare.path() + "/" + folder);
        }
    });
    if (permissionsApply)
        ::chmod((pare.path() + "/G").c_str(), 0755); // so that the folder can be removed
    EXPECT_FALSE(countSeenDuringYield);
    ASSERT_EQ(result.nmax, 3);
    for (const std::string& entry : result.entries)
        EXPECT_EQ(entry.substr(0, 3), "/" + firstFolder + "/");
}

// Exactly the limit: every file taken, and no yield after the last one. Beyond it: the first
// 50,000 in natural order, and the rest only counted.
TEST(FolderScan, stopsAtFiftyThousandTracksAndCountsTheRest)
{
    TemporaryFolder pare;
    makeFiles(pare.path() + "/one", "t", 30000, ".mp3");
    makeFiles(pare.path() + "/two", "t", 20000, ".mid");

    const ScanResult exact = scan(pare.path());
    EXPECT_EQ(exact.nmax, kMaxTracks);
    EXPECT_EQ(exact.yields, kMaxTracks - 1);
    EXPECT_EQ(exact.leftOut, 0);

    makeFiles(pare.path() + "/one", "extra", 3, ".wav");
    makeFiles(pare.path() + "/two", "extra", 3, ".wav");
    makeFiles(pare.path() + "/three", "more", 4, ".mp3");
    pare.write("two/notes.txt");
    // one: extra0..2, t0..t29999; three: more0..3; two: extra0..2, then t0.. until the table is full.
    std::vector<std::string> expected;
    const auto add = [&](const std::string& folder, const std::string& stem, int count, const std::string& suffix) {
        for (int i = 0; i < count && expected.size() < static_cast<std::size_t>(kMaxTracks); ++i)
            expected.push_back("/" + folder + "/" + stem + std::to_string(i) + suffix);
    };
    add("one", "extra", 3, ".wav");
    add("one", "t", 30000, ".mp3");
    add("three", "more", 4, ".mp3");
    add("two", "extra", 3, ".wav");
    add("two", "t", 20000, ".mid");

    PlayerState state;
    state.Pare = pare.path();
    const ScanResult over = scan(state);
    EXPECT_EQ(over.nmax, kMaxTracks);
    EXPECT_TRUE(over.entries == expected) << "not the first 50,000 in natural order";
    EXPECT_EQ(over.leftOut, 10);
    EXPECT_EQ(over.yields, kMaxTracks - 1 + 11) << "the files only counted yield as well";
    EXPECT_EQ(state.FileList.size(), static_cast<std::size_t>(kMaxTracks) + 1);
}
