#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace zuvelo::testing {

// Waits until condition holds, checking every 10 ms, for at most timeout. The timeout only keeps a
// broken program from hanging the suite; no test asserts how long anything took.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(60))
{
    const auto giveUp = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// One run of a program on Qt's offscreen platform with extra environment variables ("NAME=value",
// or a bare "NAME" to remove one), its stdout and stderr going to logFile. beforeExec runs in the
// child between fork and exec and may only make async-signal-safe calls. The destructor kills a
// program still running. Use from one thread.
class ProgramRun {
public:
    ProgramRun(const std::string& program, const std::vector<std::string>& environment, const std::string& logFile,
               const std::vector<std::string>& arguments = {}, const std::function<void()>& beforeExec = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return m_pid; }
    void signal(int sig) const { ::kill(m_pid, sig); }
    bool running();
    bool waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        return eventually([this] { return !running(); }, timeout);
    }
    // The exit status, or -signal number when a signal ended it.
    int exitCode() const;

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_exited = false;
};

// True once the program has taken its single-instance lock on folder: start-up has begun.
bool holdsFolderLock(pid_t pid, const std::string& folder);

// True once process pid holds file open.
bool holdsOpen(pid_t pid, const std::string& file);

} // namespace zuvelo::testing
