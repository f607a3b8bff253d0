#pragma once

#include <string>
#include <vector>

namespace zuvelo::testing {

// Reads the sound output's raw stream (48 kHz, stereo, 32-bit float, as SDL's disk driver writes
// it) and returns the tones heard in turn: every 50 ms window is given the candidate frequency that
// dominates it ten to one, or none (silence, noise, a mix); runs of at least three windows of the
// same frequency count, and a run equal to the one before it (across silence or a click) is the
// same tone going on.
std::vector<double> toneSequence(const std::string& rawFile, const std::vector<double>& candidates);

} // namespace zuvelo::testing
