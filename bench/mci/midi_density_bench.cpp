// How many MIDI events within a tenth of a second the sequencer device can play in time: where a
// file would truly freeze the window or starve the output.
//
//   zuvelo_midi_density_bench [EVENTS_PER_100MS...]
//
// Per density, two pieces of 16 channels, as long as a million events allow (at most 3 s): one of
// controller and pitch-bend data on every tick (what sequencers export), one of notes struck and
// released on every tick (each one starts voices). Each is opened as the device opens it and
// rendered to its end. Prints the open, the longest 4096-frame chunk (the first one is rendered at
// open, on the user-interface thread) and the rendering's share of real time; above 1 the output
// starves. Refused densities say so.

#include "MidiRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// perTick events on each tick of 1 ms (96 ticks a quarter at 96 ms a quarter), 32 or 16 events
// a tick, for the given seconds; notes, or controller and pitch-bend data.
Bytes densePiece(int eventsPer100Ms, double seconds, bool notes)
{
    const int perTick = std::max(1, eventsPer100Ms / 100); // events a millisecond
    Bytes track{0, 0xFF, 0x51, 3, 0x01, 0x77, 0x00};       // 96,000 us a quarter: a tick is 1 ms
    for (int tick = 0; tick < int(seconds * 1000); ++tick) {
        for (int i = 0; i < perTick; ++i) {
            const std::uint8_t channel = i % 16, value = (tick + i) % 128;
            const std::uint8_t delta = i == 0 && tick > 0 ? 1 : 0;
            if (notes) // struck on even ticks, released on odd ones
                track.insert(track.end(),
                             {delta, std::uint8_t((tick % 2 ? 0x80 : 0x90) + channel), std::uint8_t(36 + i % 60), 100});
            else
                track.insert(track.end(), {delta, std::uint8_t((i % 32 < 16 ? 0xB0 : 0xE0) + channel),
                                           i % 32 < 16 ? std::uint8_t(1) : std::uint8_t(0), value});
        }
    }
    track.insert(track.end(), {0, 0xFF, 0x2F, 0});
    Bytes file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(std::uint8_t(track.size() >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> densities{2000, 4300, 10000, 20000, 50000, 100000};
    if (argc > 1)
        densities.assign(argc - 1, 0),
            std::transform(argv + 1, argv + argc, densities.begin(), [](char* a) { return std::atoi(a); });
    const std::string path = "/tmp/zuvelo-midi-density-bench.mid";
    std::printf("%-8s %12s %8s %10s %14s %12s\n", "kind", "events/100ms", "seconds", "open-ms", "max-chunk-ms",
                "real-time");
    for (const bool notes : {false, true}) {
        for (const int density : densities) {
            const double seconds = std::min(3.0, 1e6 / (density * 10.0) * 0.95);
            const Bytes file = densePiece(density, seconds, notes);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));
            const Clock::time_point opening = Clock::now();
            auto renderer = zuvelo::mci::MidiRenderer::open(path).take();
            const double openMs = msSince(opening);
            const char* kind = notes ? "notes" : "control";
            if (!renderer) {
                std::printf("%-8s %12d %8.2f %10.1f %14s %12s\n", kind, density, seconds, openMs, "-", "refused");
                continue;
            }
            std::vector<float> chunk(4096 * 2);
            double longest = 0, total = 0;
            std::size_t frames = 0;
            for (std::size_t got = 1; got > 0;) {
                const Clock::time_point start = Clock::now();
                got = renderer->read(chunk.data(), 4096);
                const double ms = msSince(start);
                longest = std::max(longest, ms), total += ms, frames += got;
            }
            std::printf("%-8s %12d %8.2f %10.1f %14.1f %12.3f\n", kind, density, seconds, openMs, longest,
                        total / (frames / 48.0));
            std::fflush(stdout);
        }
    }
    std::remove(path.c_str());
    return 0;
}
