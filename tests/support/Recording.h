#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ios>
#include <string>
#include <vector>

namespace zuvelo::testing {

// Raw 32-bit float samples, as SDL's disk driver and ffmpeg's f32le write them, from fromByte on.
std::vector<float> readFloats(const std::string& file, std::uintmax_t fromByte = 0);

// The frames from the first sounding one on (louder than a resampler's start), or (allSilence)
// only the frames not silent: pauses taken out.
inline std::vector<float> heard(const std::vector<float>& s, bool allSilence = false)
{
    const float quiet = allSilence ? 0.0f : 0.001f;
    std::vector<float> out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        if (std::fabs(s[i]) > quiet || std::fabs(s[i + 1]) > quiet || (!allSilence && !out.empty()))
            out.insert(out.end(), {s[i], s[i + 1]});
    }
    return out;
}

// How many frames of b a plays as they are, from a's frame at on: within 0.0015 of full scale, as
// the layer's own resampler and FFmpeg's part in a file's first frames; a sweep's frame shifted by
// one is further off than that within a quarter of its period.
inline std::size_t framesAlike(const std::vector<float>& a, const std::vector<float>& b, std::size_t at = 0)
{
    std::size_t n = 0;
    while (2 * at + n < a.size() && n < b.size() && std::fabs(a[2 * at + n] - b[n]) <= 0.0015f)
        ++n;
    return n / 2;
}

// What SDL's disk driver recorded of the program's output (48 kHz, stereo, 32-bit float), read as
// the file grows: each call takes in what was added since the last.
class Recording {
public:
    explicit Recording(std::string rawFile) : m_file(std::move(rawFile)) {}

    // Every sample so far, interleaved.
    const std::vector<float>& samples();
    // The tones heard in turn: every 50 ms window is given the candidate frequency that dominates
    // it ten to one, or none (silence, noise, a mix); runs of at least three windows of one
    // frequency count, and a run equal to the one before it (across silence or a click) is the
    // same tone going on.
    std::vector<double> tones(const std::vector<double>& candidates);
    // Whether anything louder than the faintest hiss was heard.
    bool hasSound()
    {
        const std::vector<float>& s = samples();
        return std::any_of(s.begin(), s.end(), [](float v) { return std::fabs(v) > 0.01f; });
    }

private:
    std::string m_file;
    std::streamoff m_offset = 0;
    std::vector<float> m_samples;
};

} // namespace zuvelo::testing
