#include "SignalCloser.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zuvelo {
namespace {

// Interrupt, a session manager's end, and a terminal closed under the program.
constexpr int kClosingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The pipe's ends: the handler writes into [1], the notifier reads [0].
int g_pipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a pending wake-up, so a failed write is fine.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void SignalCloser::catchSignals()
{
    // A write to a peer that went away (the X server at logout, a pipe under stderr whose reader
    // ended) then fails with EPIPE instead of killing the program before it saves its settings.
    std::signal(SIGPIPE, SIG_IGN);
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kClosingSignals)
        sigaction(signal, &action, nullptr);
}

SignalCloser::SignalCloser(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    catchSignals();
    if (g_pipe[0] < 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, [this] { drain(); });
}

SignalCloser::~SignalCloser()
{
    if (g_pipe[0] < 0)
        return;
    for (const int signal : kClosingSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalCloser::drain()
{
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_onSignal)
        m_onSignal();
}

} // namespace zuvelo
