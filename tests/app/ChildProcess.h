#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zuvelo::testing {

// Waits until condition holds, checking every 20 ms, for at most timeout. No test asserts how long
// it took: the timeout only keeps a broken program from hanging the suite.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(60))
{
    const auto giveUp = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A program started with extra environment variables, its output going to a file.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& extraEnvironment,
                 const std::string& outputFile)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        for (const std::string& extra : extraEnvironment) {
            const std::string key = extra.substr(0, extra.find('=') + 1);
            std::erase_if(env, [&](const std::string& v) { return v.starts_with(key); });
            env.push_back(extra);
        }
        std::vector<char*> envp;
        for (std::string& v : env)
            envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};

        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execve(path.c_str(), argv, envp.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        if (!m_exited && m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }

    bool running()
    {
        poll();
        return !m_exited;
    }
    void signal(int sig) const { ::kill(m_pid, sig); }

    // Waits for the end; true when it came within the timeout.
    bool waitForExit(std::chrono::seconds timeout = std::chrono::seconds(60))
    {
        return waitUntil([this] { return !running(); }, timeout);
    }
    // The exit status, or -signal number when a signal ended it.
    int exitCode() const { return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -WTERMSIG(m_status); }

private:
    void poll()
    {
        if (!m_exited && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_exited = true;
    }

    pid_t m_pid = -1;
    int m_status = 0;
    bool m_exited = false;
};

} // namespace zuvelo::testing
