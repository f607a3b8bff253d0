#include "Form1Controls.h"
#include "RecordingMediaControl.h"
#include "TemporaryFolder.h"

#include "app/EventYield.h"
#include "app/PlayerApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace zuvelo::testing {

// The Qt side on the offscreen platform over the recording media seam: start-up fills the window,
// the real timer moves playback on, a list that cannot be written is reported in a modal message
// under which the monitor keeps ticking, and closing the window saves the settings.
TEST(PlayerApp, startsPlaysReportsAndShutsDownThroughTheWindow)
{
    TemporaryFolder folder;
    folder.write("Album/a.mp3");
    folder.write("Album/b.mp3");
    folder.write("list.csv/blocked");
    folder.write("muini.dat", "1,1\r\n");
    RecordingMediaControl media;
    int endProgramCalls = 0; // ending the test's event loop would end every later one too
    PlayerApp app(folder.path(), media, EventYield{}, [&] { ++endProgramCalls; });
    ASSERT_TRUE(app.load());
    Form1& form = app.window();
    EXPECT_EQ(controls(form).Text1->text(), "2");
    form.show();
    media.setMode("stopped");
    ASSERT_TRUE(QTest::qWaitFor([&] { return media.count("Open ") == 2; }, 20000));
    EXPECT_EQ(controls(form).Text1->text(), "1");
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.windowTitle() == "Zuveloplaying"; }, 20000));

    QString shown;
    int ticksBefore = -1;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            if (ticksBefore < 0)
                ticksBefore = media.count("status ");
            else if (media.count("status ") >= ticksBefore + 3)
                box->accept();
        }
    });
    watcher.start(20);
    controls(form).lis->trigger();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("再生対象ファイル名リスト"))) << shown.toStdString();

    form.close();
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_EQ(folder.read("muini.dat"), "1,1\r\n");
    EXPECT_EQ(media.commands.back(), "close " + app.state().SoundFile);
}

} // namespace zuvelo::testing
