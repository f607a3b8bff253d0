#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace zuvelo {

// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed) into a call of onSignal on the
// user-interface thread, so that an interrupted program shuts down like one closed by the user. The signal handler only writes a
// byte into a pipe; a QSocketNotifier reads it in the event loop. One instance per process;
// create it on the user-interface thread after the QApplication. SIGPIPE is ignored for good.
class SignalCloser : public QObject {
public:
    // Catches the signals from now on, before any Qt object exists: a signal that arrives
    // while the program starts waits in the pipe until the event loop can act on it. Called by
    // the constructor too; only the first call does anything. Main thread only.
    static void catchSignals();

    explicit SignalCloser(std::function<void()> onSignal);
    ~SignalCloser() override;

private:
    void drain();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zuvelo
