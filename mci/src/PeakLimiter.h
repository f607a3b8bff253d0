#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace zuvelo::mci {

// Keeps a stereo signal under a ceiling by turning it down rather than clipping it: where a sample
// would go above the ceiling the gain drops at once to what keeps it there, and then comes back up
// slowly, 3 dB a second, so that a loud passage stays turned down as a whole instead of being
// pumped beat by beat. A piece that never reaches the ceiling passes unchanged.
//
// The synthesizer's output has no ceiling of its own: a General MIDI piece with many instruments
// at full velocity reaches four times full scale at the gain that makes a single instrument as loud
// as other music.
class PeakLimiter {
public:
    // 6 dB under full scale: the densest pieces held there come out about 5 LU louder than the
    // demo's mp3 pieces (bench/mci/loudness.sh), a few instruments, which never reach it, 2 to 3 LU
    // quieter.
    static constexpr float kCeiling = 0.5f;

    void process(float* interleavedStereo, std::size_t frames, int sampleRate)
    {
        const float recovery = std::pow(10.0f, 3.0f / 20.0f / static_cast<float>(sampleRate)); // 3 dB a second
        for (std::size_t i = 0; i < frames; ++i) {
            float* frame = interleavedStereo + 2 * i;
            const float peak = std::max(std::fabs(frame[0]), std::fabs(frame[1]));
            if (peak * m_gain > kCeiling && std::isfinite(peak))
                m_gain = kCeiling / peak;
            frame[0] *= m_gain;
            frame[1] *= m_gain;
            m_gain = std::min(1.0f, m_gain * recovery);
        }
    }

private:
    float m_gain = 1.0f;
};

} // namespace zuvelo::mci
