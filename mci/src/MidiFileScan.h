#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zuvelo::mci {

// What a walk through a Standard MIDI File tells before it is played.
struct MidiFileSummary {
    int format = 0;                        // 0, 1 or 2
    int trackCount = 0;                    // number of MTrk chunks read
    int ticksPerQuarter = 0;               // the header's division, or for SMPTE timing its equivalent
    std::uint32_t smpteTempo = 0;          // SMPTE timing: the tempo that makes ticksPerQuarter right
    std::size_t firstTrackAt = 0;          // where the first MTrk chunk begins
    std::vector<std::size_t> tempoOffsets; // where each tempo event's three bytes of data begin
    std::uint32_t lastEventTick = 0;       // tick of the latest event of any track, end-of-track included
    double lastEventMs = 0;                // the same moment in milliseconds, through the file's tempo map
    std::size_t eventCount = 0;            // events of all tracks, end-of-track included
};

// What real pieces need, and more. The synthesizer's player holds every event in memory (about
// 70 bytes each) and plays all events that fall within one block of samples at once; a file with
// millions of events, or hundreds of thousands squeezed into a few milliseconds by a tiny tempo,
// would hold the caller for seconds and take hundreds of MB. Such files are refused.
//
// Density: sequencers export controller and pitch-bend data on every tick of 16 channels, about
// 4,300 events in 100 ms, which plays easily. What gives out first is the window: the first 85 ms
// of a piece are rendered during the open, on the caller's thread, and every note struck in them
// costs about 5 us; 17,000 at one moment hold the open for 100 ms on a loaded two-core machine
// (zuvelo_hostile_open_bench). The output would starve only from about 30,000 notes in every
// 100 ms (zuvelo_midi_density_bench: 20,000 render in 0.7 to 0.8 of real time, controller data in
// a quarter of that). The limit stays under both.
inline constexpr std::size_t kMaxMidiEvents = 1000000;
inline constexpr std::size_t kMaxMidiEventsPerWindow = 15000;
inline constexpr double kDensityWindowMs = 100.0;

// Walks every chunk and event of a Standard MIDI File held in memory and returns its summary, or
// nothing when the bytes are not a file the synthesizer's player can read (and then, when refusal
// is given, says why there in a listener's words): no "MThd" header of length 6, a format above
// 2, a zero division or an SMPTE one of unknown frames a second, no tracks or more than it handles, a chunk or
// event running past the end of the data, a data byte without a running status, a status byte
// that has no place in a file, a tick beyond what a 32-bit signed count holds; and also more
// events than kMaxMidiEvents, or more than kMaxMidiEventsPerWindow within kDensityWindowMs.
// Accepting only what the player's own reader accepts means an open that succeeds is a file that
// plays. Pure function, any thread.
std::optional<MidiFileSummary> scanStandardMidiFile(const std::uint8_t* data, std::size_t size,
                                                    const char** refusal = nullptr);

// The file as the synthesizer's player is to read it, scanned as above: a RIFF-wrapped one
// ("RMID") unwrapped to the Standard MIDI File in it, one with SMPTE timing rewritten to the same
// timing in quarter notes, which is all the player follows. Nothing when it cannot be played, and
// why in refusal (not null).
std::optional<MidiFileSummary> readMidiFile(std::vector<std::uint8_t>& file, const char** refusal);

// The synthesizer's player keeps at most this many tracks of a file.
inline constexpr int kMaxMidiTracks = 128;

} // namespace zuvelo::mci
