// The staged program folder that scripts/run.sh starts: the executable beside a demo library that
// shows every format the player takes, and the real program playing each piece of it.
#include "DiskAudio.h"
#include "ProgramOutput.h"
#include "ProgramRun.h"
#include "Shell.h"
#include "TemporaryFolder.h"

#include "library/NaturalOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

std::string suffixOf(const fs::path& file)
{
    std::string suffix = file.extension().string();
    if (!suffix.empty())
        suffix.erase(0, 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return std::tolower(c); });
    return suffix;
}

TEST(StagedFolder, holdsTheProgramAndADemoPieceInEveryFormatThePlayerTakes)
{
    const fs::path stage = ZUVELO_STAGE_DIR;
    EXPECT_TRUE(fs::is_regular_file(stage / "zuvelo"));

    // The audio pieces are encoded by the ffmpeg command line at build time; each must be what its
    // name says and last long enough to be heard.
    const std::map<std::string, std::string> codecOf = {
        {"wav", "pcm_s16le"}, {"mp3", "mp3"}, {"mp2", "mp2"}, {"wma", "wmav2"}};
    std::multiset<std::string> suffixes;
    for (const auto& entry : fs::directory_iterator(stage / "demo")) {
        const std::string suffix = suffixOf(entry.path());
        suffixes.insert(suffix);
        SCOPED_TRACE(entry.path().filename().string());
        if (suffix == "mid" || suffix == "midi") {
            std::ifstream in(entry.path(), std::ios::binary);
            char magic[4] = {};
            in.read(magic, 4);
            EXPECT_EQ(std::string(magic, 4), "MThd");
            continue;
        }
        ASSERT_TRUE(codecOf.contains(suffix));
        const std::string probe = commandOutput(
            "ffprobe -v error -show_entries stream=codec_name:format=duration -of default=noprint_wrappers=1 " +
            shellQuoted(entry.path().string()));
        EXPECT_NE(probe.find("codec_name=" + codecOf.at(suffix) + "\n"), std::string::npos) << probe;
        const std::size_t at = probe.find("duration=");
        ASSERT_NE(at, std::string::npos) << probe;
        EXPECT_GT(std::stod(probe.substr(at + 9)), 3.0) << probe;
    }
    EXPECT_EQ(suffixes, (std::multiset<std::string>{"mid", "midi", "mp2", "mp3", "wav", "wma"}));
}

TEST(StagedFolder, theProgramPlaysEachDemoPiece)
{
    TemporaryFolder folder;
    fs::copy(ZUVELO_STAGE_DIR, folder.path(), fs::copy_options::recursive);
    // The scan takes the files in name order, which fixes each piece's track number.
    std::vector<std::string> pieces;
    for (const auto& entry : fs::directory_iterator(folder.path() + "/demo"))
        pieces.push_back(entry.path().filename().string());
    std::sort(pieces.begin(), pieces.end(), naturalLess);
    ASSERT_EQ(pieces.size(), 6u);

    for (std::size_t track = 1; track <= pieces.size(); ++track) {
        SCOPED_TRACE(pieces[track - 1]);
        // In order, from the track before: the program starts with this piece. A saved track
        // below 1 counts as 1 (and would start track 2), so track 1 follows the last one.
        const std::size_t before = track == 1 ? pieces.size() : track - 1;
        folder.write("muini.dat", "1," + std::to_string(before) + "\r\n");
        const std::string audio = folder.path() + "/audio" + std::to_string(track) + ".raw";
        ProgramRun player(folder / "zuvelo", {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio},
                          folder / "player.log", ProgramRun::Stderr::WithStdout);
        ASSERT_TRUE(eventually([&] { return hasSound(audio) || !player.running(); })) << folder.read("player.log");
        EXPECT_TRUE(player.running()) << folder.read("player.log");
        player.signal(SIGTERM);
        ASSERT_TRUE(player.waitForExit());
        EXPECT_EQ(player.exitCode(), 0);
        // The settings keep the track playing at close: this piece, not a later one that the
        // monitor would have moved on to had this one failed to open.
        EXPECT_EQ(folder.read("muini.dat"), "1," + std::to_string(track) + "\r\n");
        const std::vector<std::string> said = ownLines(folder.read("player.log"));
        ASSERT_EQ(said.size(), 1u) << folder.read("player.log");
        EXPECT_NE(said[0].find("SDL driver \"disk\""), std::string::npos) << said[0];
    }
}

} // namespace
} // namespace zuvelo::testing
