#include "app/EventYield.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <thread>

using zuvelo::EventYield;

namespace {

// Counts the custom events delivered to it.
class Receiver : public QObject {
public:
    static inline const QEvent::Type kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    int received = 0;

    bool event(QEvent* e) override
    {
        if (e->type() == kType) {
            ++received;
            return true;
        }
        return QObject::event(e);
    }
};

class EventYieldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "zuvelo_event_yield_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr)
            s_app = new QCoreApplication(argc, argv);
    }

    // Sleeps comfortably past a 1 ms interval, so that both the timer and the full pass are due.
    static void waitPastInterval() { std::this_thread::sleep_for(std::chrono::milliseconds(5)); }

    static inline QCoreApplication* s_app = nullptr;
};

} // namespace

TEST_F(EventYieldTest, postedEventAndDueTimer_runInsideOneYield)
{
    EventYield yield(std::chrono::milliseconds(1));
    yield(); // a full pass now: the next one needs the interval to pass

    Receiver receiver;
    int ticks = 0;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    QCoreApplication::postEvent(&receiver, new QEvent(Receiver::kType));
    waitPastInterval();

    yield();
    EXPECT_EQ(receiver.received, 1);
    EXPECT_GE(ticks, 1);
}

// Between full passes, posted events are still delivered on every call, including those that
// another thread posted; timers wait for the next full pass.
TEST_F(EventYieldTest, postedEvents_runOnEveryCallWhileTimersWaitForAFullPass)
{
    EventYield yield(std::chrono::hours(1));
    yield();

    Receiver receiver;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);

    for (int i = 1; i <= 3; ++i) {
        std::thread poster([&] { QCoreApplication::postEvent(&receiver, new QEvent(Receiver::kType)); });
        poster.join();
        yield();
        EXPECT_EQ(receiver.received, i);
    }
    EXPECT_EQ(ticks, 0); // the hour has not passed: no full pass yet

    EventYield fresh(std::chrono::hours(1));
    fresh(); // a new yield starts with a full pass
    EXPECT_GE(ticks, 1);
}

TEST_F(EventYieldTest, everyCallIsAFullPassWhenWorkIsSlowerThanTheInterval)
{
    EventYield yield(std::chrono::milliseconds(1));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    for (int i = 1; i <= 3; ++i) {
        waitPastInterval();
        yield();
        EXPECT_GE(ticks, i);
    }
}
