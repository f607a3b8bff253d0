#include "FakeForm.h"

#include "handlers/DisplayOperations.h"

#include <gtest/gtest.h>

#include <memory>

namespace zuvelo::testing {
namespace {

TEST(TextArea, numberItemsCarryABlankOnEachSide_orAMinusInFront)
{
    TextArea area;
    area.setSize(11);
    area.print({std::string("全"), std::int64_t{5}, std::string("曲")});
    area.print({std::int64_t{-3}, std::string("x")});
    area.print({std::int64_t{0}});
    ASSERT_EQ(area.lines().size(), 3u);
    EXPECT_EQ(area.lines()[0].text, "全 5 曲");
    EXPECT_EQ(area.lines()[1].text, "-3 x");
    EXPECT_EQ(area.lines()[2].text, " 0 ");
}

TEST(TextArea, linesAreAsHighAsTheirPointSize_andClearStartsAtTheTop)
{
    TextArea area;
    area.setSize(18);
    area.print({std::string("a")});
    area.print({});
    area.setSize(11);
    area.print({std::string("b")});
    ASSERT_EQ(area.lines().size(), 2u);
    EXPECT_EQ(area.lines()[0].topTwips, 0);
    EXPECT_EQ(area.lines()[0].points, 18);
    EXPECT_EQ(area.lines()[1].topTwips, 720);
    EXPECT_EQ(area.lines()[1].points, 11);
    EXPECT_EQ(area.printTopTwips(), 720 + 220);

    area.clear();
    EXPECT_TRUE(area.lines().empty());
    EXPECT_EQ(area.printTopTwips(), 0);
    EXPECT_EQ(area.currentSize(), 11) << "Clear keeps the size";
}

TEST(DisplayOperations, currentTrack_pathThenBlankLineThenCount)
{
    FakeForm form;
    auto state = std::make_unique<PlayerState>();
    state->FileList[3] = "/Jazz/take five.mp3";
    state->a2 = 3;
    state->nmax = 5;
    showLoadingMessage(form);
    EXPECT_EQ(form.printedTexts(), std::vector<std::string>{"読み込み中です・・・"});
    showCurrentTrack(form, *state);
    EXPECT_EQ(form.printedTexts(), (std::vector<std::string>{"/Jazz/take five.mp3", "全 5 曲"}));
    EXPECT_EQ(form.textArea.lines()[0].points, 18);
    EXPECT_EQ(form.textArea.lines()[1].topTwips, 720) << "the count sits beside Text1";
    EXPECT_EQ(form.textArea.lines()[1].points, 11);
}

TEST(DisplayOperations, noFilesMessageIsAllThatRemains)
{
    FakeForm form;
    auto state = std::make_unique<PlayerState>();
    state->nmax = 0;
    showCurrentTrack(form, *state);
    showNoFilesMessage(form);
    EXPECT_EQ(form.printedTexts(), std::vector<std::string>{"演奏できるファイルがありません。"});
    EXPECT_EQ(form.textArea.lines()[0].points, 18);
    EXPECT_EQ(form.textArea.lines()[0].topTwips, 0);
}

TEST(DisplayOperations, captionIsTheTitleGluedToTheReplyUpToItsFirstNul)
{
    FakeForm form;
    showStatusInCaption(form, "playing");
    EXPECT_EQ(form.caption, "Zuveloplaying");
    showStatusInCaption(form, std::string("stopped\0junk", 12));
    EXPECT_EQ(form.caption, "Zuvelostopped");
    showStatusInCaption(form, std::string(255, '\0'));
    EXPECT_EQ(form.caption, "Zuvelo");
}

} // namespace
} // namespace zuvelo::testing
