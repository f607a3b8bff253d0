// Prints the silence between consecutive tones in a recording of raw 48 kHz stereo 32-bit float
// audio (what SDL's disk driver writes for the player's sound output): one line per change of tone,
// then the median, the maximum and the mean.
//
// The recording is expected to hold tones of distinct pitches, one per track. A change of tone is
// found in either of two ways: a stretch of silence between two sounding stretches, or a change of
// pitch inside one sounding stretch (tracks played back to back with no gap at all).
//
// Usage: zuvelo_gap_analysis FILE [CHANGES]
//   CHANGES  how many changes to report, counted from the first (default: all found). The exit
//            status is 0 when at least that many were found, 3 when fewer (so a script can poll a
//            growing recording until enough tracks have played), 2 on a usage or read error.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <vector>

namespace {

constexpr int kRecordingRate = 48000; // frames a second

struct Tone {
    std::size_t begin = 0; // first sounding frame
    std::size_t end = 0;   // one past the last sounding frame
    double pitch = 0;      // Hz, from the tone's first 10 ms
};

// A frame is silent when both channels stay below -60 dBFS. The test tones have an amplitude of
// 1/8 (-18 dBFS), so even the frames next to a zero crossing of the lowest tone are above it.
constexpr float kSilence = 0.001f;
// Silence shorter than 2 ms does not separate tones: a sine crosses zero in a frame or two.
constexpr std::size_t kMinGapFrames = kRecordingRate / 500;
// Pitch is estimated over 10 ms windows; the test tones are 150 Hz apart, so 40 Hz tells them
// apart while ignoring the estimate's own noise.
constexpr std::size_t kWindowFrames = kRecordingRate / 100;
constexpr double kPitchTolerance = 40;

// Pitch of left-channel frames [begin, end) from the upward zero crossings, interpolated between
// frames; 0 when the window holds fewer than two crossings.
double pitchOf(const std::vector<float>& left, std::size_t begin, std::size_t end)
{
    double first = -1, last = -1;
    int intervals = -1;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if (left[i - 1] < 0 && left[i] >= 0) {
            const double at = double(i - 1) + left[i - 1] / double(left[i - 1] - left[i]);
            if (first < 0)
                first = at;
            last = at;
            ++intervals;
        }
    }
    return intervals > 0 ? intervals * double(kRecordingRate) / (last - first) : 0;
}

// Splits the sounding stretch [begin, end) where its pitch changes for good: two windows in a row
// that agree with each other and differ from the current tone. A window that straddles the change
// gives a mixed estimate and is passed over that way.
void splitByPitch(const std::vector<float>& left, std::size_t begin, std::size_t end, std::vector<Tone>& tones)
{
    std::vector<double> pitch;
    for (std::size_t w = begin; w + kWindowFrames <= end; w += kWindowFrames)
        pitch.push_back(pitchOf(left, w, w + kWindowFrames));
    Tone tone{begin, end, pitch.empty() ? 0 : pitch.front()};
    for (std::size_t i = 1; i + 1 < pitch.size(); ++i) {
        const bool changed = std::abs(pitch[i] - tone.pitch) > kPitchTolerance &&
                             std::abs(pitch[i + 1] - tone.pitch) > kPitchTolerance &&
                             std::abs(pitch[i] - pitch[i + 1]) <= kPitchTolerance;
        if (changed) {
            const std::size_t at = begin + i * kWindowFrames;
            tone.end = at;
            tones.push_back(tone);
            tone = Tone{at, end, pitch[i]};
        }
    }
    tones.push_back(tone);
}

// The tones of interleaved stereo samples (left, right, left, ...), in order.
std::vector<Tone> findTones(const std::vector<float>& interleaved)
{
    const std::size_t n = interleaved.size() / 2;
    std::vector<float> left(n);
    std::vector<bool> sounding(n);
    for (std::size_t i = 0; i < n; ++i) {
        left[i] = interleaved[2 * i];
        sounding[i] = std::abs(interleaved[2 * i]) >= kSilence || std::abs(interleaved[2 * i + 1]) >= kSilence;
    }

    // Sounding stretches separated by at least kMinGapFrames of silence, each split by pitch.
    std::vector<Tone> tones;
    std::size_t i = 0;
    while (i < n) {
        while (i < n && !sounding[i])
            ++i;
        if (i == n)
            break;
        const std::size_t begin = i;
        std::size_t lastSounding = i;
        while (i < n && i - lastSounding < kMinGapFrames) {
            if (sounding[i])
                lastSounding = i;
            ++i;
        }
        splitByPitch(left, begin, lastSounding + 1, tones);
    }
    return tones;
}

// Milliseconds of silence before each tone after the first: from the last sounding frame of the
// previous tone to the first of this one; 0 for a change of pitch without silence.
std::vector<double> gapsMs(const std::vector<Tone>& tones)
{
    std::vector<double> gaps;
    for (std::size_t t = 1; t < tones.size(); ++t)
        gaps.push_back(1000.0 * double(tones[t].begin - tones[t - 1].end) / kRecordingRate);
    return gaps;
}

} // namespace

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
        const double sum = std::accumulate(gaps.begin(), gaps.end(), 0.0);
        std::printf("changes %zu  median_gap_ms %.2f  max_gap_ms %.2f  mean_gap_ms %.2f\n", m, median, sorted.back(),
                    sum / double(m));
    }
    return wanted >= 0 && long(gaps.size()) < wanted ? 3 : 0;
}
