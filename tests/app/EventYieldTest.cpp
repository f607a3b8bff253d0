#include "app/EventYield.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

// Each yield delivers the events posted so far; a due timer runs only in a full pass of the event
// loop, which the first yield makes and then one whenever the interval has passed since the last.
TEST(EventYield, postedEventsRunInEveryYield_timersOnlyInAFullPass)
{
    int ticks = 0, posted = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    zuvelo::EventYield slow(std::chrono::hours(1));
    slow();
    const int firstPass = ticks;
    EXPECT_GE(firstPass, 1);
    for (int i = 1; i <= 3; ++i) {
        QMetaObject::invokeMethod(
            &timer, [&] { ++posted; }, Qt::QueuedConnection);
        slow();
        EXPECT_EQ(posted, i);
    }
    EXPECT_EQ(ticks, firstPass) << "the hour has not passed";

    zuvelo::EventYield fast(std::chrono::milliseconds(1));
    for (int i = 0; i < 3; ++i) {
        const int before = ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fast();
        EXPECT_GT(ticks, before);
    }
}
