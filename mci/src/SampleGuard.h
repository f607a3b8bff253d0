#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>

namespace zuvelo::mci {

// One sample made safe for the speakers: NaN and infinities become silence, everything else is
// clipped to full scale [-1, 1].
inline float guardSample(float s)
{
    const float finite = std::fabs(s) <= FLT_MAX ? s : 0.0f; // false for NaN and inf
    return finite < -1.0f ? -1.0f : (finite > 1.0f ? 1.0f : finite);
}

// Every sample made safe. A damaged file can decode to anything (a float wav to inf, a damaged mp3
// to thousands of times full scale), and one NaN would poison the whole mix. Blocks of a fixed
// size let the compiler vectorise at -O2: a minute of audio costs about a millisecond.
inline void guardSamples(float* samples, std::size_t count)
{
    constexpr std::size_t kBlock = 8;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k)
            samples[i + k] = guardSample(samples[i + k]);
    }
    for (; i < count; ++i)
        samples[i] = guardSample(samples[i]);
}

} // namespace zuvelo::mci
