#pragma once

#include <ios>
#include <string>
#include <vector>

namespace zuvelo::testing {

// Reads the sound output's raw stream (48 kHz, stereo, 32-bit float, as SDL's disk driver writes
// it) and returns the tones heard in turn: every 50 ms window is given the candidate frequency that
// dominates it ten to one, or none (silence, noise, a mix); runs of at least three windows of the
// same frequency count, and a run equal to the one before it (across silence or a click) is the
// same tone going on.
std::vector<double> toneSequence(const std::string& rawFile, const std::vector<double>& candidates);

// Counts the sounds in that raw stream that begin after silence: every 10 ms window is silent or
// not, and a sound begins with a sounding window after at least two silent ones. Each call reads
// only what the file gained since the last, so it may be called while the stream grows.
class SoundStarts {
public:
    explicit SoundStarts(std::string rawFile) : m_file(std::move(rawFile)) {}
    int count();

private:
    std::string m_file;
    std::streamoff m_offset = 0;
    int m_silentWindows = 2; // the stream begins in silence
    int m_count = 0;
};

} // namespace zuvelo::testing
