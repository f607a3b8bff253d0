// How long "open" and "close" take on files that are slow to reject or to play: damaged headers,
// a gigabyte of zeros, MIDI files with millions of events.
//
//   zuvelo_hostile_open_bench [--runs N] FILE...
//
// Per file, N times (default 3), in this one process: "open" through mciSendString and, when it
// succeeds, "play", 300 ms of playing, "close". Prints the median open time, the open's result, the
// median close time and the peak resident memory so far. The sound output (SDL's dummy driver
// unless SDL_AUDIODRIVER says otherwise) is opened first, so its one-time start is not counted.

#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            files.emplace_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: zuvelo_hostile_open_bench [--runs N] FILE...\n");
        return 1;
    }
    if (mciOpenSoundOutput() != 0)
        return 2;

    std::printf("%-40s %10s %8s %10s %8s\n", "file", "open-ms", "result", "close-ms", "peak-MB");
    for (const std::string& file : files) {
        const std::string device = "\"" + file + "\"";
        std::vector<double> opens, closes;
        unsigned long result = 0;
        for (int run = 0; run < runs; ++run) {
            const Clock::time_point start = Clock::now();
            result = mciSendString(("open " + device).c_str(), nullptr, 0, nullptr);
            opens.push_back(msSince(start));
            if (result != 0)
                continue;
            mciSendString(("play " + device).c_str(), nullptr, 0, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const Clock::time_point closing = Clock::now();
            mciSendString(("close " + device).c_str(), nullptr, 0, nullptr);
            closes.push_back(msSince(closing));
        }
        const std::string name = file.substr(file.find_last_of('/') + 1);
        std::printf("%-40s %10.1f %8lu %10.1f %8ld\n", name.c_str(), median(opens), result, median(closes),
                    peakResidentMegabytes());
        std::fflush(stdout);
    }
    return 0;
}
