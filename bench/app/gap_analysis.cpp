// Prints the silence between consecutive tones in a recording of raw 48 kHz stereo 32-bit float
// audio (what SDL's disk driver writes for the player's sound output): one line per change of tone,
// then the median, the maximum and the mean. How tones are found: ToneGaps.h.
//
// Usage: zuvelo_gap_analysis FILE [CHANGES]
//   CHANGES  how many changes to report, counted from the first (default: all found). The exit
//            status is 0 when at least that many were found, 3 when fewer (so a script can poll a
//            growing recording until enough tracks have played), 2 on a usage or read error.
#include "ToneGaps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace zuvelo::bench;

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [CHANGES]\n", argv[0]);
        return 2;
    }
    const long wanted = argc == 3 ? std::strtol(argv[2], nullptr, 10) : -1;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<float> samples(bytes.size() / (2 * sizeof(float)) * 2);
    std::copy_n(bytes.data(), samples.size() * sizeof(float), reinterpret_cast<char*>(samples.data()));

    const std::vector<Tone> tones = findTones(samples);
    std::vector<double> gaps = gapsMs(tones);
    // The last tone may still be growing in a recording being written; the change into it is
    // complete once it has begun, so every gap counts.
    if (wanted >= 0 && long(gaps.size()) > wanted)
        gaps.resize(std::size_t(wanted));
    for (std::size_t g = 0; g < gaps.size(); ++g) {
        const Tone& before = tones[g];
        std::printf("change %2zu: %6.0f Hz -> %6.0f Hz  tone %7.1f ms  gap %7.2f ms\n", g + 1, before.pitch,
                    tones[g + 1].pitch, 1000.0 * double(before.end - before.begin) / kRecordingRate, gaps[g]);
    }
    if (gaps.empty()) {
        std::printf("changes 0\n");
    } else {
        std::vector<double> sorted = gaps;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t m = sorted.size();
        const double median = m % 2 ? sorted[m / 2] : (sorted[m / 2 - 1] + sorted[m / 2]) / 2;
        double sum = 0;
        for (double g : gaps)
            sum += g;
        std::printf("changes %zu  median_gap_ms %.2f  max_gap_ms %.2f  mean_gap_ms %.2f\n", m, median, sorted.back(),
                    sum / double(m));
    }
    return wanted >= 0 && long(gaps.size()) < wanted ? 3 : 0;
}
