#pragma once

// Finds the tones in a recording of the sound output and the silence between consecutive ones.
// Plain functions, no state; any thread.
//
// The recording is 48 kHz stereo 32-bit float frames, as SDL's disk driver writes them for the
// player's output. It is expected to hold tones of distinct pitches, one per track. A change of tone
// is found in either of two ways: a stretch of silence between two sounding stretches, or a change
// of pitch inside one sounding stretch (tracks played back to back with no gap at all).
#include <cstddef>
#include <vector>

namespace zuvelo::bench {

constexpr int kRecordingRate = 48000; // frames a second

struct Tone {
    std::size_t begin = 0; // first sounding frame
    std::size_t end = 0;   // one past the last sounding frame
    double pitch = 0;      // Hz, from the tone's first 10 ms
};

// The tones of interleaved stereo samples (left, right, left, ...), in order.
std::vector<Tone> findTones(const std::vector<float>& interleaved);

// Milliseconds of silence before each tone after the first: from the last sounding frame of the
// previous tone to the first of this one; 0 for a change of pitch without silence.
std::vector<double> gapsMs(const std::vector<Tone>& tones);

} // namespace zuvelo::bench
