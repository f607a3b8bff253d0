#pragma once

#include <chrono>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
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
// child just before exec. The destructor kills a program still running. Use from one thread.
class ProgramRun {
public:
    ProgramRun(std::string program, const std::vector<std::string>& environment, const std::string& logFile,
               std::vector<std::string> arguments = {}, const std::function<void()>& beforeExec = {})
    {
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        for (const std::string& setting : environment)
            setting.find('=') == std::string::npos ? ::unsetenv(setting.c_str()) : ::putenv(strdup(setting.c_str()));
        const int out = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (beforeExec)
            beforeExec();
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ~ProgramRun()
    {
        if (running()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return m_pid; }
    void signal(int sig) const { ::kill(m_pid, sig); }
    bool running()
    {
        if (!m_exited && m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_exited = true;
        return !m_exited;
    }
    bool waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(60))
    {
        return eventually([this] { return !running(); }, timeout);
    }
    // The exit status, or -signal number when a signal ended it.
    int exitCode() const { return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -WTERMSIG(m_status); }

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_exited = false;
};

// True once process pid holds file open; for the program's folder, once it has taken its
// single-instance lock (a lock on the folder kept open), so start-up has begun.
inline bool holdsOpen(pid_t pid, const std::string& file)
{
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        if (std::filesystem::read_symlink(fd.path(), error) == file)
            return true;
    return false;
}

} // namespace zuvelo::testing
