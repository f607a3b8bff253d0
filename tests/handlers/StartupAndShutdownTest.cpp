#include "HandlerRig.h"
#include "TemporaryFolder.h"

#include "handlers/Startup.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace zuvelo::testing {
namespace {

struct FolderRig : HandlerRig {
    TemporaryFolder folder;
    void load() { formLoad(ctx, folder.path()); }
    std::string device(const std::string& entry) const { return "\"" + folder.path() + entry + "\""; }
};

// Start-up fills the mode box, shows the saved mode, and opens, shows and plays
// the track after the saved one (a random one without settings, the folder with no tracks).
TEST(Startup, continuesAfterTheSavedTrackInTheSavedMode)
{
    const std::tuple<int, const char*, int, const char*> rows[] = {
        {7, "1,5\r\n", 6, "順番"},  {7, "2,5\r\n", 4, "逆順"}, {7, "1,7\r\n", 1, "順番"},
        {7, "2,40\r\n", 6, "逆順"}, {7, "5,3\r\n", 2, "逆順"}, {7, "", 0, "ランダム"},
        {1, "1,\r\n", 1, "順番"},   {0, "", 0, "ランダム"},    {120, "1,110\r\n", 111, "順番"}};
    for (const auto& [tracks, settings, start, combo] : rows) {
        SCOPED_TRACE(std::to_string(tracks) + " tracks, " + settings);
        FolderRig rig;
        for (int i = 1; i <= tracks; ++i)
            rig.folder.write("Album/track" + std::to_string(i) + ".wav");
        rig.folder.write("loose.wav"); // beside the program: not collected
        if (*settings)
            rig.folder.write("muini.dat", settings);
        ::testing::internal::CaptureStderr();
        rig.load();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        const int started = start != 0 ? start : int(rig.state.a2.value());
        const std::string name = tracks ? "/Album/track" + std::to_string(started) + ".wav" : "";
        EXPECT_EQ(rig.media.commands,
                  (Texts{"Open " + rig.device(name), "open " + rig.device(name), "play " + rig.device(name)}));
        EXPECT_EQ(rig.form.combo1Text(), combo);
        EXPECT_FALSE(rig.state.a1.isEmpty()) << "Combo1's change handler sets it on the way";
        EXPECT_EQ(rig.HScroll1->maximum(), std::max(tracks, 1));
        EXPECT_EQ(rig.text1(), std::to_string(started));
        const Texts shown = {"0 18 " + name, "720 11 全 " + std::to_string(tracks) + " 曲"};
        EXPECT_EQ(rig.form.printed(), tracks ? shown : Texts{"0 18 演奏できるファイルがありません。"});
    }
}

// Before the scan the timer is armed, the settings are read and the mode box shows their mode; a
// tick while the scan yields touches nothing but a1, taken from the box, and the caption.
TEST(Startup, theTimerAndTheModeComeBeforeTheScan_aTickDuringItTouchesOnlyA1AndTheCaption)
{
    FolderRig rig;
    rig.folder.write("A/t1.mp3");
    rig.folder.write("muini.dat", "2,1\r\n");
    int yields = 0;
    rig.ctx.yieldToEvents = [&] {
        if (++yields > 1)
            return;
        EXPECT_EQ(child<QTimer>(rig.form, "Timer1")->interval(), 100);
        EXPECT_EQ(rig.form.combo1Text(), "逆順");
        rig.Combo1->blockSignals(true);
        rig.Combo1->setEditText("順番");
        const PlayerState& s = rig.state;
        const auto rest = [&] { return std::tuple(s.a2.value(), s.a3.value(), s.b1.value(), s.b2.value(), s.nmax.value(), s.SoundFile, rig.form.printed()); };
        const auto before = rest();
        rig.handlers.timer1Timer();
        EXPECT_EQ(rest(), before);
        EXPECT_EQ(std::tuple(s.a1.value(), rig.form.windowTitle().toStdString(), rig.media.commands),
                  std::tuple(std::int64_t(kModeInOrder), std::string("Zuvelo"), Texts{"status  mode"}));
    };
    rig.load();
    EXPECT_EQ(yields, 2);
}

// A close while the scan yields ends start-up before anything is opened.
TEST(Startup, aCloseDuringTheScan)
{
    FolderRig rig;
    rig.folder.write("A/t1.mp3");
    rig.folder.write("A/t2.mp3");
    rig.ctx.yieldToEvents = [&] { rig.handlers.formUnload(); };
    rig.load();
    EXPECT_EQ(rig.media.commands, (Texts{"stop ", "close "}));
    EXPECT_FALSE(child<QTimer>(rig.form, "Timer1")->isActive());
    EXPECT_EQ(rig.form.printed(), Texts{"0 18 読み込み中です・・・"});
}

// lis writes every track, playback untouched; a close stops and closes the track, writes the settings, and nothing
// runs after it. A folder in a file's way: the list's failure goes to the window, the settings' to stderr.
TEST(ShutdownAndList, filesWrittenOrTheirFailureReported_thenNothingRuns)
{
    for (const std::string blocked : {"", "list.csv", "muini.dat"}) {
        SCOPED_TRACE(blocked);
        FolderRig rig;
        rig.playing(3, kModeInOrder, 2);
        rig.state.Pare = rig.folder.path();
        const std::string dev = rig.state.SoundFile;
        std::filesystem::create_directories(rig.folder / (blocked + "/x"));
        ::testing::internal::CaptureStderr();
        rig.click("Command4");
        rig.click("lis");
        rig.form.close();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(rig.media.commands, (Texts{"pause " + dev, "stop " + dev, "close " + dev}));
        EXPECT_EQ(rig.listFailures.size(), blocked == "list.csv" ? 1u : 0u);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), blocked == "muini.dat" ? 1 : 0) << err;
        EXPECT_EQ(rig.endProgramCalls, 1);
        if (blocked.empty()) {
            EXPECT_EQ(rig.folder.read("list.csv"), "1,\"/m/t1.mp3\r\"\r\n2,\"/m/t2.mp3\r\"\r\n3,\"/m/t3.mp3\r\"\r\n");
            EXPECT_EQ(rig.folder.read("muini.dat"), "1,2\r\n");
        }
        rig.media.clear();
        rig.media.setMode("stopped");
        rig.handlers.timer1Timer();
        rig.handlers.command1Click();
        rig.handlers.formUnload();
        EXPECT_EQ(rig.media.commands, Texts{});
        EXPECT_EQ(rig.endProgramCalls, 1);
    }
}

} // namespace
} // namespace zuvelo::testing
