// The cost of guardSamples (NaN and inf to silence, clipping to full scale), which every decoded
// frame passes on its way into a device's ring, per minute of 48 kHz stereo audio. The reference is
// the copy into the ring that every frame costs anyway (memcpy of the same samples).
//
//   zuvelo_sample_guard_bench [REPEATS]     # default 200; prints medians in microseconds

#include "SampleGuard.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kSamplesPerMinute = 60 * 48000 * 2;
// The guard works on the decoder's quarter-second chunks, as in the player.
constexpr std::size_t kChunkSamples = 48000 / 4 * 2;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    // Mostly ordinary music, with now and then a sample out of range, as a damaged file gives.
    std::vector<float> source(kSamplesPerMinute);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = i % 997 == 0 ? 3.0f : float(0.8 * std::sin(double(i) * 0.01));
    std::vector<float> work(source.size());
    std::vector<double> guardMicros, copyMicros;
    for (int r = 0; r < repeats; ++r) {
        auto start = Clock::now();
        std::memcpy(work.data(), source.data(), source.size() * sizeof(float));
        copyMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        start = Clock::now();
        for (std::size_t at = 0; at < work.size(); at += kChunkSamples)
            zuvelo::mci::guardSamples(work.data() + at, std::min(kChunkSamples, work.size() - at));
        guardMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const double guard = median(guardMicros), copy = median(copyMicros);
    std::printf("per minute of audio: guard %.0f us, copy (reference) %.0f us, ratio %.2f, %.4f %% of the minute\n",
                guard, copy, guard / copy, guard / 60e6 * 100.0);
    return work[12345] > 1.0f ? 1 : 0; // keeps the work observable
}
