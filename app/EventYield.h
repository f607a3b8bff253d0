#pragma once

#include <chrono>
#include <optional>

namespace zuvelo {

// A yield to the Qt event loop cheap enough to call after every file of the folder scan.
//
// QCoreApplication::processEvents() costs about 1 to 3 us on a desktop (a poll system call and
// the dispatcher's bookkeeping), more than examining a file does, so calling it after every
// file makes the scan two to three times slower. This yield splits the work:
// - every call delivers the thread's posted events (QCoreApplication::sendPostedEvents), which
//   costs a lock and a look at an empty list when nothing is waiting;
// - the full pass of the event dispatcher (due timers, window-system input, sockets) runs on
//   the first call and then whenever fullPassInterval has passed since the last full pass.
//   Checking that costs one read of the monotonic clock.
// So a posted event runs in the very next yield, and a timer or a click waits at most
// fullPassInterval longer than with processEvents() after every file: 1 ms by default, within
// the 5 % slack Qt already allows a coarse 100 ms timer. When the caller's work between yields
// takes longer than the interval, every yield is a full pass.
//
// Call from the thread that owns the QCoreApplication, after it exists. Keeps its own clock, so
// one object serves one loop of work (the scan copies it into its callback).
class EventYield {
public:
    static constexpr std::chrono::microseconds kDefaultFullPassInterval{1000};

    explicit EventYield(std::chrono::nanoseconds fullPassInterval = kDefaultFullPassInterval)
        : m_fullPassInterval(fullPassInterval)
    {
    }

    void operator()();

private:
    std::chrono::nanoseconds m_fullPassInterval;
    std::optional<std::chrono::steady_clock::time_point> m_lastFullPass; // none yet: the first call is full
};

} // namespace zuvelo
