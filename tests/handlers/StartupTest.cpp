#include "HandlerRig.h"
#include "TemporaryFolder.h"

#include "handlers/Startup.h"

#include <gtest/gtest.h>

namespace zuvelo::testing {
namespace {

// Start-up on a fake window over a real folder; the media layer only records.
struct StartupRig : HandlerRig {
    TemporaryFolder folder;

    void load() { formLoad(ctx, folder.path()); }
    std::string device(const std::string& entry) const { return "\"" + folder.path() + entry + "\""; }

    // The track number start-up chose, from the file it opened.
    std::int64_t startedTrack() const
    {
        for (std::int64_t n = 1; n <= state.nmax; ++n)
            if (media.count("Open " + device(state.FileList[static_cast<std::size_t>(n)])) > 0)
                return n;
        return 0;
    }
};

TEST(Startup, oneTrackNoSettings_sendsShowsAndSetsEverythingInOrder)
{
    StartupRig rig;
    rig.folder.write("Music/only.mp3");
    rig.folder.write("loose.mp3"); // beside the program: not collected
    rig.load();

    const std::string dev = rig.device("/Music/only.mp3");
    EXPECT_EQ(rig.media.commands(), (std::vector<std::string>{"Open " + dev, "open " + dev, "play " + dev}));
    EXPECT_EQ(rig.media.calls()[0].replyCapacity, 0u);
    EXPECT_FALSE(rig.media.calls()[0].replyBufferGiven);
    EXPECT_EQ(rig.media.calls()[1].replyCapacity, 255u);
    EXPECT_EQ(rig.media.calls()[2].replyCapacity, 255u);

    EXPECT_EQ(rig.state.Pare, rig.folder.path());
    EXPECT_EQ(rig.state.SoundFile, dev);
    EXPECT_EQ(rig.state.nmax.value(), 1);
    EXPECT_EQ(rig.state.a1.value(), 0);
    EXPECT_FALSE(rig.state.a1.isEmpty()) << "Combo1's change handler set it on the way";
    EXPECT_EQ(rig.state.a2.value(), 1);
    EXPECT_EQ(rig.state.a3.value(), 1);

    EXPECT_EQ(rig.form.timerInterval, 100);
    EXPECT_EQ(rig.form.combo1List, (std::vector<std::string>{"ランダム", "順番", "逆順"}));
    EXPECT_EQ(rig.form.combo1, "ランダム");
    EXPECT_EQ(rig.form.hScrollMinimum, 1);
    EXPECT_EQ(rig.form.hScrollMaximum, 1);
    EXPECT_EQ(rig.form.hScrollValue, 1);
    EXPECT_EQ(rig.form.text1, "1");
    EXPECT_EQ(rig.form.printedTexts(), (std::vector<std::string>{"/Music/only.mp3", "全 1 曲"}));
    EXPECT_EQ(rig.form.textArea.lines()[1].topTwips, 720);
    EXPECT_EQ(rig.form.caption, "Form1") << "start-up leaves the caption to the monitor";
}

TEST(Startup, continuesAfterTheSavedTrackInTheSavedMode)
{
    struct Case {
        const char* settings;
        std::int64_t expected;
        const char* comboText;
    };
    for (const Case& c : {Case{"1,5\r\n", 6, "順番"}, Case{"2,5\r\n", 4, "逆順"}, Case{"1,7\r\n", 1, "順番"},
                          Case{"1,40\r\n", 1, "順番"}, Case{"2,40\r\n", 6, "逆順"}, Case{"1,\r\n", 2, "順番"},
                          Case{"2,\r\n", 7, "逆順"}, Case{"5,3\r\n", 2, "逆順"}}) {
        StartupRig rig;
        for (int i = 1; i <= 7; ++i)
            rig.folder.write("Album/track" + std::to_string(i) + ".wav");
        rig.folder.write("muini.dat", c.settings);
        rig.load();
        EXPECT_EQ(rig.state.a2.value(), c.expected) << c.settings;
        EXPECT_EQ(rig.startedTrack(), c.expected) << c.settings;
        EXPECT_EQ(rig.form.combo1, c.comboText) << c.settings;
        EXPECT_EQ(rig.form.hScrollValue, c.expected) << c.settings;
        EXPECT_EQ(rig.form.text1, std::to_string(c.expected)) << c.settings;
        EXPECT_EQ(rig.form.printedTexts().at(1), "全 7 曲");
    }
}

TEST(Startup, withoutSettings_drawsARandomFirstTrack)
{
    std::set<std::int64_t> firsts;
    for (int run = 0; run < 12; ++run) {
        StartupRig rig;
        for (int i = 1; i <= 20; ++i)
            rig.folder.write("A/t" + std::to_string(i) + ".mp3");
        rig.load();
        ASSERT_GE(rig.state.a2.value(), 1);
        ASSERT_LE(rig.state.a2.value(), 20);
        EXPECT_EQ(rig.startedTrack(), rig.state.a2.value());
        firsts.insert(rig.state.a2.value());
    }
    EXPECT_GT(firsts.size(), 1u);
}

TEST(Startup, noPlayableFiles_leavesOnlyTheMessageAndTheQuotedFolder)
{
    for (const char* settings : {"", "1,3\r\n", "2,3\r\n"}) {
        StartupRig rig;
        rig.folder.write("Docs/readme.txt");
        if (*settings)
            rig.folder.write("muini.dat", settings);
        rig.load();
        EXPECT_EQ(rig.state.nmax.value(), 0);
        EXPECT_EQ(rig.state.SoundFile, "\"" + rig.folder.path() + "\"");
        EXPECT_EQ(rig.form.printedTexts(), std::vector<std::string>{"演奏できるファイルがありません。"});
        EXPECT_EQ(rig.form.textArea.lines()[0].points, 18);
        EXPECT_EQ(std::to_string(rig.state.a2.value()), rig.form.text1);
    }
}

TEST(Startup, monitorTicksDuringTheScanSeeAnEmptyDeviceAndTakeTheMode)
{
    StartupRig rig;
    for (int i = 1; i <= 4; ++i)
        rig.folder.write("A/t" + std::to_string(i) + ".mp3");
    rig.folder.write("muini.dat", "2,2\r\n");
    int ticks = 0;
    bool inTick = false;
    rig.ctx.yieldToEvents = [&] {
        // The tick yields too; like a timer, it is not entered again from its own yield.
        if (inTick)
            return;
        inTick = true;
        ++ticks;
        rig.media.failStatusWith(MediaError::kNameNotOpen);
        rig.handlers.timer1Timer();
        EXPECT_EQ(rig.form.caption, "Zuvelo");
        inTick = false;
    };
    rig.load();
    EXPECT_EQ(ticks, 4) << "one yield after every file";
    const auto& commands = rig.media.commands();
    ASSERT_EQ(commands.size(), 4u + 3u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(commands[static_cast<std::size_t>(i)], "status  mode");
    EXPECT_EQ(rig.state.a1.value(), 2);
    EXPECT_EQ(rig.state.a2.value(), 1);
}

TEST(Startup, closedDuringTheScan_opensNothingAfterwards)
{
    StartupRig rig;
    for (int i = 1; i <= 4; ++i)
        rig.folder.write("A/t" + std::to_string(i) + ".mp3");
    rig.folder.write("muini.dat", "1,3\r\n");
    rig.ctx.yieldToEvents = [&] { rig.handlers.formUnload(); };
    rig.load();
    EXPECT_EQ(rig.media.commands(), (std::vector<std::string>{"stop ", "close "}));
    EXPECT_EQ(rig.folder.read("muini.dat"), "1,3\r\n");
    EXPECT_EQ(rig.endProgramCalls, 1);
    EXPECT_EQ(rig.form.printedTexts(), std::vector<std::string>{"読み込み中です・・・"});
}

} // namespace
} // namespace zuvelo::testing
