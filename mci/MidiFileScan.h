#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zuvelo::mci {

// What a walk through a Standard MIDI File tells before it is played.
struct MidiFileSummary {
    int format = 0;                 // 0, 1 or 2
    int trackCount = 0;             // number of MTrk chunks read
    int ticksPerQuarter = 0;        // the header's division (metrical timing only)
    std::uint32_t lastEventTick = 0; // tick of the latest event of any track, end-of-track included
    double lastEventMs = 0;         // the same moment in milliseconds, through the file's tempo map
};

// Walks every chunk and event of a Standard MIDI File held in memory and returns its summary, or
// nothing when the bytes are not a file the synthesizer's player can read: no "MThd" header of
// length 6, a format above 2, SMPTE or zero division, no tracks or more than it handles, a chunk or
// event running past the end of the data, a data byte without a running status, a status byte
// that has no place in a file, a tick beyond what a 32-bit signed count holds. Accepting only what the player's own reader accepts means an open
// that succeeds is a file that plays. Pure function, any thread.
std::optional<MidiFileSummary> scanStandardMidiFile(const std::uint8_t* data, std::size_t size);

// The synthesizer's player keeps at most this many tracks of a file.
inline constexpr int kMaxMidiTracks = 128;

} // namespace zuvelo::mci
