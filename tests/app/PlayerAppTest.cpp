#include "RecordingMediaControl.h"
#include "TemporaryFolder.h"

#include "app/EventYield.h"
#include "app/PlayerApp.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

namespace zuvelo::testing {

// The Qt side over the recording seam: start-up fills the window, the real timer moves playback on, an unwritable
// list is reported in a modal message under which the monitor keeps ticking, and a close saves the settings.
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
    form.show();
    media.setMode("stopped");
    ASSERT_TRUE(QTest::qWaitFor([&] { return media.count("Open ") == 2; }, 20000));

    QString shown;
    int ticksBefore = -1;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && ticksBefore < 0)
            ticksBefore = media.count("status "), shown = box->text();
        else if (box && media.count("status ") >= ticksBefore + 3)
            box->accept();
    });
    watcher.start(20);
    form.findChild<QAction*>("lis")->trigger();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("再生対象ファイル名リスト"))) << shown.toStdString();

    form.close();
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_EQ(folder.read("muini.dat"), "1,1\r\n");
    EXPECT_EQ(media.commands.back(), "close " + app.state().SoundFile);
}

// Each yield delivers the events posted so far; a due timer runs only in a full pass of the event
// loop, which the first yield makes and then one whenever the interval has passed since the last.
TEST(EventYield, postedEventsRunInEveryYield_timersOnlyInAFullPass)
{
    int ticks = 0, posted = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    EventYield slow(std::chrono::hours(1)), fast(std::chrono::milliseconds(1));
    slow();
    const int firstPass = ticks;
    for (int i = 1; i <= 3; ++i) {
        QMetaObject::invokeMethod(&timer, [&] { ++posted; }, Qt::QueuedConnection);
        slow();
        EXPECT_EQ(posted, i);
    }
    EXPECT_TRUE(firstPass >= 1 && ticks == firstPass) << ticks << " ticks; the hour has not passed";
    for (int i = 0, before = ticks; i < 3; ++i, before = ticks) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fast();
        EXPECT_GT(ticks, before);
    }
}

} // namespace zuvelo::testing
