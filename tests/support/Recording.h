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
