#include "Form1Controls.h"
#include "HandlerRig.h"
#include "TemporaryFolder.h"

#include "app/PlayerApp.h"
#include "app/EventYield.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace zuvelo::testing {
namespace {

// Two tracks in one album, in-order mode, track 1 saved: start-up starts track 2.
struct AppRig {
    TemporaryFolder folder;
    ReactiveMedia media;
    std::unique_ptr<PlayerApp> app;
    int endProgramCalls = 0;

    AppRig()
    {
        folder.write("Album/a.mp3");
        folder.write("Album/b.mp3");
        folder.write("muini.dat", "1,1\r\n");
        // Ending the test's event loop would end every later one too: only count the request.
        app = std::make_unique<PlayerApp>(folder.path(), media, EventYield{}, [this] { ++endProgramCalls; });
    }
    int opens() const
    {
        int n = 0;
        for (const auto& command : media.commands())
            n += command.starts_with("Open ");
        return n;
    }
};

TEST(PlayerApp, loadsIntoTheWindowAndTheRealTimerMovesPlaybackOn)
{
    AppRig rig;
    ASSERT_TRUE(rig.app->load());
    Form1& form = rig.app->window();
    EXPECT_EQ(rig.app->state().a2.value(), 2);
    EXPECT_EQ(controls(form).Text1->text(), "2");
    EXPECT_EQ(controls(form).HScroll1->value(), 2);
    EXPECT_EQ(controls(form).HScroll1->maximum(), 2);
    EXPECT_EQ(timer1Interval(form), 100);
    form.show();

    // The track ends: a coming tick of Timer1 starts the next one, track 1.
    rig.media.setMode("stopped");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.opens() == 2; }, 20000));
    EXPECT_EQ(rig.app->state().a2.value(), 1);
    EXPECT_EQ(controls(form).Text1->text(), "1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.windowTitle() == "Zuveloplaying"; }, 20000));

    form.close();
    EXPECT_EQ(rig.endProgramCalls, 1);
    EXPECT_EQ(rig.folder.read("muini.dat"), "1,1\r\n");
    EXPECT_EQ(rig.media.commands().back(), "close " + rig.app->state().SoundFile);
}

TEST(PlayerApp, aListThatCannotBeWrittenShowsAMessageWhilePlaybackGoesOn)
{
    AppRig rig;
    ASSERT_TRUE(rig.app->load());
    std::filesystem::create_directories(rig.folder.path() + "/list.csv/blocked");
    rig.app->window().show();

    QString shown;
    int statusQueriesWhileShown = 0;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible())
                box = found;
        if (!box)
            return;
        shown = box->text();
        // Keep the box up until the monitor has ticked under it a few times.
        int queries = 0;
        for (const auto& command : rig.media.commands())
            queries += RecordingMediaControl::isStatusQuery(command);
        if (statusQueriesWhileShown == 0)
            statusQueriesWhileShown = -queries;
        else if (queries + statusQueriesWhileShown >= 3) {
            statusQueriesWhileShown = queries + statusQueriesWhileShown;
            box->accept();
        }
    });
    watcher.start();
    controls(rig.app->window()).lis->trigger();
    watcher.stop();

    EXPECT_TRUE(shown.contains(QString::fromUtf8("再生対象ファイル名リスト"))) << shown.toStdString();
    EXPECT_GE(statusQueriesWhileShown, 3);
    rig.app->window().close();
}

} // namespace
} // namespace zuvelo::testing
