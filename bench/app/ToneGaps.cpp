#include "ToneGaps.h"

#include <cmath>

namespace zuvelo::bench {
namespace {

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

} // namespace

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

std::vector<double> gapsMs(const std::vector<Tone>& tones)
{
    std::vector<double> gaps;
    for (std::size_t t = 1; t < tones.size(); ++t)
        gaps.push_back(1000.0 * double(tones[t].begin - tones[t - 1].end) / kRecordingRate);
    return gaps;
}

} // namespace zuvelo::bench
