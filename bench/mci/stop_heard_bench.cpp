// How soon a "pause", "stop" or "close" is heard to stop: the time from the command to the last
// sounding frame the sound server received, read from its sink's monitor.
//
//   parec --raw --format=s16le --rate=48000 --channels=2 --latency-msec=2 -d SINK.monitor |
//     zuvelo_stop_heard_bench [--runs N] FILE
//
// Per command, N times (default 5): "open" FILE, "play", 1.5 s of playing, the command, 0.5 s,
// "close". A reader thread timestamps every block of the monitor as it arrives; the figure is the
// arrival of the last block with a sample above -60 dBFS, less the command's time. Medians and
// maxima in ms. The monitor's own latency (2 ms asked) is in every figure alike.

#include "mci/mci.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::mutex g_mutex;
Clock::time_point g_lastSound;

void readMonitor()
{
    std::int16_t block[256];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, block, sizeof block);
        if (got <= 0)
            return;
        const bool sounding = std::any_of(block, block + got / 2, [](std::int16_t s) { return std::abs(s) > 32; });
        if (sounding) {
            std::lock_guard lock(g_mutex);
            g_lastSound = Clock::now();
        }
    }
}

bool send(const std::string& command)
{
    if (mciSendString(command.c_str(), nullptr, 0, nullptr) == 0)
        return true;
    std::fprintf(stderr, "\"%s\" failed\n", command.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            file = argv[i];
    }
    if (file == nullptr) {
        std::fprintf(stderr, "usage: zuvelo_stop_heard_bench [--runs N] FILE < monitor\n");
        return 1;
    }
    std::thread(readMonitor).detach();
    const std::string device = std::string("\"") + file + "\"";
    for (const char* command : {"pause", "stop", "close"}) {
        std::vector<double> ms;
        for (int run = 0; run < runs; ++run) {
            if (!send("open " + device) || !send("play " + device))
                return 2;
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            const Clock::time_point sent = Clock::now();
            send(command + (" " + device));
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            if (std::strcmp(command, "close") != 0)
                send("close " + device);
            std::lock_guard lock(g_mutex);
            ms.push_back(std::chrono::duration<double, std::milli>(g_lastSound - sent).count());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-6s median %6.1f ms  max %6.1f ms\n", command, ms[ms.size() / 2], ms.back());
    }
    std::fflush(stdout);
    std::_Exit(0); // the reader thread stays blocked on its pipe
}
