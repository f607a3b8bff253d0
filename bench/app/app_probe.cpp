// Starts one program and measures it from outside: the time from launch to its first audio in a
// file it writes, its peak resident memory and its CPU time. Prints "key value" lines.
//
// Usage: zuvelo_app_probe [OPTIONS] -- PROGRAM [ARGS...]
//   --env NAME=VALUE  add to the child's environment (repeatable)
//   --log FILE        the child's stdout and stderr (default /dev/null)
//   --sound FILE      wait for the first non-zero byte of FILE, which the child writes (SDL's disk
//                     driver, or any raw signed PCM); FILE is removed before the launch
//   --hold SECONDS    keep the child running this long after its first audio (or after the launch
//                     without --sound), then send it SIGTERM (default 0)
//   --until-exit      wait for the child to end by itself instead of sending SIGTERM
//   --timeout SECONDS give up on the child after this long, kill it and exit 1 (default 60)
//
// Output: first_sound_ms (launch to the first non-zero byte seen), vmhwm_kb (the last VmHWM read
// from /proc while it ran), rss_anon_kb (the largest RssAnon seen: resident memory not backed by a
// file, so without the shared libraries' pages), maxrss_kb and cpu_s (user + system, from wait4),
// exit. /proc is read every 20 ms (every 0.2 ms while waiting for the first audio). ru_maxrss also
// counts the pages the child shared with this probe between fork and exec (about 2 MB), so it means
// something only for programs well above that.
// The first audio is late by at most the 0.2 ms poll plus the child's own write call; silence in
// signed PCM, integer or float, is all zero bytes, so no format needs to be known.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <getopt.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::vector<std::string> environment;
    std::string log = "/dev/null";
    std::string sound;
    double hold = 0;
    bool untilExit = false;
    double timeout = 60;
    std::vector<std::string> command;
};

[[noreturn]] void usage(const char* self)
{
    std::fprintf(stderr,
                 "usage: %s [--env NAME=VALUE]... [--log FILE] [--sound FILE] [--hold SECONDS] [--until-exit]\n"
                 "          [--timeout SECONDS] -- PROGRAM [ARGS...]\n",
                 self);
    std::exit(2);
}

Options parse(int argc, char** argv)
{
    const option options[] = {{"env", required_argument, nullptr, 'e'},
                              {"log", required_argument, nullptr, 'l'},
                              {"sound", required_argument, nullptr, 's'},
                              {"hold", required_argument, nullptr, 'h'},
                              {"until-exit", no_argument, nullptr, 'u'},
                              {"timeout", required_argument, nullptr, 't'},
                              {}};
    Options o;
    for (int c; (c = getopt_long(argc, argv, "+", options, nullptr)) != -1;) {
        switch (c) {
        case 'e': o.environment.emplace_back(optarg); break;
        case 'l': o.log = optarg; break;
        case 's': o.sound = optarg; break;
        case 'h': o.hold = std::stod(optarg); break;
        case 'u': o.untilExit = true; break;
        case 't': o.timeout = std::stod(optarg); break;
        default: usage(argv[0]);
        }
    }
    o.command.assign(argv + optind, argv + argc);
    if (o.command.empty())
        usage(argv[0]);
    return o;
}

// Starts the command with the extra environment, its output going to the log.
pid_t launch(const Options& o)
{
    std::vector<char*> argv;
    for (const std::string& a : o.command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) { // this probe has one thread, so the child may change its environment
        for (const std::string& e : o.environment)
            ::putenv(const_cast<char*>(e.c_str()));
        const int fd = ::open(o.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::close(fd);
        }
        ::execvp(argv[0], argv.data());
        std::perror("exec");
        ::_exit(127);
    }
    return pid;
}

// A field of /proc/PID/status in kB ("VmHWM:", "RssAnon:"), or -1 once the process is gone.
long readStatusKb(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + field.size(), nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parse(argc, argv);
    if (!o.sound.empty())
        std::remove(o.sound.c_str());

    const auto start = Clock::now();
    const pid_t pid = launch(o);
    const auto giveUp = start + std::chrono::duration<double>(o.timeout);

    long hwm = -1, anonPeak = -1;
    int status = 0;
    rusage usage{};
    bool ended = false;
    const auto poll = [&] {
        if (::wait4(pid, &status, WNOHANG, &usage) == pid)
            ended = true;
        else if (const long h = readStatusKb(pid, "VmHWM:"); h > 0) {
            hwm = h;
            anonPeak = std::max(anonPeak, readStatusKb(pid, "RssAnon:"));
        }
        return !ended && Clock::now() < giveUp;
    };

    // Until the first audio.
    double firstSound = -1;
    auto holdFrom = start;
    // Reads what has been appended to the sound file since the last call: is any byte non-zero?
    int soundFd = -1;
    const auto heard = [&] {
        if (soundFd < 0 && (soundFd = ::open(o.sound.c_str(), O_RDONLY)) < 0)
            return false;
        char buffer[65536];
        for (ssize_t n; (n = ::read(soundFd, buffer, sizeof buffer)) > 0;)
            if (std::any_of(buffer, buffer + n, [](char c) { return c != 0; }))
                return true;
        return false;
    };
    while (!o.sound.empty() && poll()) {
        if (heard()) {
            holdFrom = Clock::now();
            firstSound = std::chrono::duration<double, std::milli>(holdFrom - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (soundFd >= 0)
        ::close(soundFd);
    // Then the hold or the child's own end, sampling its memory.
    const auto holdUntil = holdFrom + std::chrono::duration<double>(o.hold);
    while (poll() && (o.untilExit || Clock::now() < holdUntil))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    int rc = 0;
    if (!ended) {
        if (Clock::now() >= giveUp) {
            std::fprintf(stderr, "timeout: the child did not %s\n", o.untilExit ? "end" : "play");
            ::kill(pid, SIGKILL);
            rc = 1;
        } else {
            ::kill(pid, SIGTERM);
        }
        while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
    }
    if (!o.sound.empty() && firstSound < 0)
        rc = 1;
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("first_sound_ms %.1f\nvmhwm_kb %ld\nrss_anon_kb %ld\nmaxrss_kb %ld\ncpu_s %.3f\nexit %d\n", firstSound,
                hwm, anonPeak, usage.ru_maxrss, cpu, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return rc;
}
