#include "ProgramRun.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zuvelo::testing {

ProgramRun::ProgramRun(const std::string& program, const std::vector<std::string>& environment,
                       const std::string& logFile, const std::vector<std::string>& arguments,
                       const std::function<void()>& beforeExec)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        env.emplace_back(*e);
    std::vector<std::string> extra = {"QT_QPA_PLATFORM=offscreen"};
    extra.insert(extra.end(), environment.begin(), environment.end());
    for (const std::string& setting : extra) {
        const bool unset = setting.find('=') == std::string::npos;
        const std::string key = unset ? setting + "=" : setting.substr(0, setting.find('=') + 1);
        std::erase_if(env, [&](const std::string& v) { return v.starts_with(key); });
        if (!unset)
            env.push_back(setting);
    }
    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> envp, argv;
    for (std::string& v : env)
        envp.push_back(v.data());
    for (std::string& a : args)
        argv.push_back(a.data());
    envp.push_back(nullptr);
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        const int out = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (beforeExec)
            beforeExec();
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
}

ProgramRun::~ProgramRun()
{
    if (running()) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool ProgramRun::running()
{
    if (!m_exited && m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
        m_exited = true;
    return !m_exited;
}

int ProgramRun::exitCode() const
{
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -WTERMSIG(m_status);
}

bool holdsFolderLock(pid_t pid, const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
        std::istringstream in(line);
        std::string number, kind, mode, access, device;
        pid_t holder = 0;
        in >> number >> kind >> mode >> access >> holder >> device;
        if (kind == "FLOCK" && holder == pid && device.substr(device.rfind(':') + 1) == std::to_string(st.st_ino))
            return true;
    }
    return false;
}

bool holdsOpen(pid_t pid, const std::string& file)
{
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error))
        if (std::filesystem::read_symlink(fd.path(), error) == file)
            return true;
    return false;
}

} // namespace zuvelo::testing
