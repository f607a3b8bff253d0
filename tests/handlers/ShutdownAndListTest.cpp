#include "HandlerRig.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace zuvelo::testing {
namespace {

namespace fs = std::filesystem;

struct FolderRig : HandlerRig {
    TemporaryFolder folder;
    FolderRig(int nmax, int mode, int track)
    {
        playing(nmax, mode, track);
        state.Pare = folder.path();
        state.SoundFile = soundFileOf(state);
    }
};

TEST(Shutdown, stopsAndClosesTheTrackWritesTheSettingsAndEndsTheProgram)
{
    FolderRig rig(9, 1, 7);
    rig.folder.write("muini.dat", "0,2\r\n");
    rig.handlers.formUnload();
    const std::string dev = rig.state.SoundFile;
    EXPECT_EQ(rig.media.commands(), (std::vector<std::string>{"stop " + dev, "close " + dev}));
    for (const auto& call : rig.media.calls())
        EXPECT_EQ(call.replyCapacity, 255u);
    EXPECT_EQ(rig.folder.read("muini.dat"), "1,7\r\n");
    EXPECT_EQ(rig.endProgramCalls, 1);
    EXPECT_EQ(rig.form.timerInterval, 0);

    // Nothing runs after it, not even a tick already on its way.
    rig.media.clearCalls();
    rig.media.setMode("stopped");
    rig.handlers.timer1Timer();
    rig.handlers.command1Click();
    rig.handlers.junClick();
    rig.handlers.formUnload();
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.endProgramCalls, 1);
}

TEST(Shutdown, whilePaused_theTrackIsStoppedAndTheSettingsWrittenAsUsual)
{
    FolderRig rig(9, 2, 3);
    rig.handlers.command4Click();
    rig.handlers.command2Click(); // a button just before closing leaves a2 one step away
    rig.media.clearCalls();
    rig.handlers.formUnload();
    EXPECT_EQ(rig.media.commands().front(), "stop " + rig.state.SoundFile);
    EXPECT_EQ(rig.folder.read("muini.dat"), "2,4\r\n");
}

TEST(Shutdown, aSettingsFileThatCannotBeWritten_isReportedOnStderrAndTheProgramStillEnds)
{
    FolderRig rig(3, 1, 2);
    std::filesystem::create_directories(rig.folder.path() + "/muini.dat/blocked");
    ::testing::internal::CaptureStderr();
    rig.handlers.formUnload();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("settings"), std::string::npos) << err;
    EXPECT_EQ(rig.endProgramCalls, 1);
    EXPECT_EQ(rig.media.commands().size(), 2u);
}

TEST(TrackList, lisWritesEveryTrackWithoutTouchingPlayback)
{
    FolderRig rig(3, 1, 2);
    rig.handlers.command4Click();
    rig.media.clearCalls();
    rig.handlers.lisClick();
    rig.handlers.lisClick();
    EXPECT_EQ(rig.folder.read("list.csv"), "1,\"/m/t1.mp3\r\"\r\n2,\"/m/t2.mp3\r\"\r\n3,\"/m/t3.mp3\r\"\r\n");
    EXPECT_TRUE(rig.media.commands().empty());
    EXPECT_EQ(rig.state.b1.value(), 1);
    EXPECT_TRUE(rig.listFailures.empty());
}

TEST(TrackList, aListThatCannotBeWritten_isReportedAndPlaybackGoesOn)
{
    FolderRig rig(3, 1, 2);
    std::filesystem::create_directories(rig.folder.path() + "/list.csv/blocked");
    rig.handlers.lisClick();
    ASSERT_EQ(rig.listFailures.size(), 1u);
    EXPECT_FALSE(rig.listFailures[0].empty());
    rig.media.setMode("stopped");
    EXPECT_EQ(rig.tick(), 3) << "the player carries on";
}

// What the user keeps under the two names: a plain file is replaced, a link is written through
// (the file it leads to is replaced, the link stays), a read-only file is left alone and the
// failure is reported the usual way: one line on stderr for the settings, the list's message.
TEST(ShutdownAndList, plainLinkedAndReadOnlyFiles)
{
    enum class Kind { Plain, Link, ReadOnly };
    const std::string list = "1,\"/m/t1.mp3\r\"\r\n2,\"/m/t2.mp3\r\"\r\n3,\"/m/t3.mp3\r\"\r\n";
    for (const bool settings : {true, false}) {
        for (const Kind kind : {Kind::Plain, Kind::Link, Kind::ReadOnly}) {
            SCOPED_TRACE(std::string(settings ? "settings, " : "list, ") + "kind " + std::to_string(int(kind)));
            FolderRig rig(3, 1, 2);
            TemporaryFolder elsewhere;
            const std::string name = settings ? "muini.dat" : "list.csv";
            std::string file = rig.folder / name;
            if (kind == Kind::Link) {
                file = elsewhere / "kept";
                elsewhere.write("kept", "old");
                fs::create_symlink(fs::relative(file, rig.folder.path()), rig.folder / name);
            } else {
                rig.folder.write(name, "old");
            }
            if (kind == Kind::ReadOnly)
                fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

            ::testing::internal::CaptureStderr();
            settings ? rig.handlers.formUnload() : rig.handlers.lisClick();
            const std::string err = ::testing::internal::GetCapturedStderr();

            const std::size_t failures = settings ? std::count(err.begin(), err.end(), '\n') : rig.listFailures.size();
            EXPECT_EQ(failures, kind == Kind::ReadOnly ? 1u : 0u) << err;
            const std::string wanted = kind == Kind::ReadOnly ? "old" : settings ? "1,2\r\n" : list;
            EXPECT_EQ(rig.folder.read(name), wanted);
            EXPECT_EQ(fs::is_symlink(rig.folder / name), kind == Kind::Link);
            if (kind == Kind::ReadOnly) {
                EXPECT_EQ(fs::status(file).permissions(),
                          fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            }
            // No temporary file is left in either folder.
            EXPECT_EQ(std::distance(fs::directory_iterator(rig.folder.path()), {}), 1);
            EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere.path()), {}), kind == Kind::Link ? 1 : 0);
        }
    }
}

} // namespace
} // namespace zuvelo::testing
