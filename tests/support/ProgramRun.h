#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

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

// One run of a program on Qt's offscreen platform, with extra environment variables ("NAME=value",
// or a bare "NAME" to remove one), its stdout going to outputFile and its stderr to outputFile +
// ".err" (or into outputFile too, in turn with stdout, for Stderr::WithStdout). beforeExec runs in
// the child between fork and exec (resource limits, signal dispositions); it must only make
// async-signal-safe calls. The destructor kills a program still running. Use from one thread.
class ProgramRun {
public:
    enum class Stderr { ToErrFile, WithStdout };

    ProgramRun(const std::string& program, const std::vector<std::string>& extraEnvironment,
               const std::string& outputFile, Stderr stderrGoes = Stderr::ToErrFile,
               const std::function<void()>& beforeExec = {})
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        std::vector<std::string> extra = {"QT_QPA_PLATFORM=offscreen"};
        extra.insert(extra.end(), extraEnvironment.begin(), extraEnvironment.end());
        for (const std::string& setting : extra) {
            // "NAME=value" sets, a bare "NAME" removes.
            const bool unset = setting.find('=') == std::string::npos;
            const std::string key = unset ? setting + "=" : setting.substr(0, setting.find('=') + 1);
            std::erase_if(env, [&](const std::string& v) { return v.starts_with(key); });
            if (!unset)
                env.push_back(setting);
        }
        std::vector<char*> envp;
        for (std::string& v : env)
            envp.push_back(v.data());
        envp.push_back(nullptr);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};
        const std::string errorFile = outputFile + ".err";

        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            if (stderrGoes == Stderr::WithStdout)
                ::dup2(out, 2);
            else
                ::dup2(::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            if (beforeExec)
                beforeExec();
            ::execve(path.c_str(), argv, envp.data());
            ::_exit(127);
        }
    }
    ~ProgramRun()
    {
        if (!m_exited && m_pid > 0) {
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
        if (!m_exited && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_exited = true;
        return !m_exited;
    }
    // Waits for the end; true when it came within the timeout.
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

// True once the program has taken its single-instance lock on folder (an flock listed in
// /proc/locks with pid as holder): start-up has begun.
bool holdsFolderLock(pid_t pid, const std::string& folder);

} // namespace zuvelo::testing
