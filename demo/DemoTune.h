#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zuvelo::demo {

// One note of the demo tune. Times are in beats from the start of the tune.
struct Note {
    double startBeat;
    double lengthBeats;
    int midiKey;  // 60 = middle C
    int velocity; // 1..127
};

// The demo tune: a short melody over a bass line, our own composition.
std::vector<Note> demoTune();

// A Standard MIDI File (format 0, one track) playing the notes at the given tempo on a General MIDI
// program (0 = acoustic grand piano).
std::vector<std::uint8_t> writeStandardMidiFile(const std::vector<Note>& notes, double beatsPerMinute, int program);

// The notes rendered by a small additive synthesizer: 16-bit stereo PCM at sampleRate, as a complete
// RIFF/WAVE file. transpose shifts every key by that many semitones.
std::vector<std::uint8_t> renderWaveFile(const std::vector<Note>& notes, double beatsPerMinute, int transpose,
                                         int sampleRate);

} // namespace zuvelo::demo
