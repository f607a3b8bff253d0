#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zuvelo {

// Builds Standard MIDI Files in memory: the demo library's MIDI pieces and the MIDI files that
// tests and benchmarks make. Events are given at absolute ticks in any order and written sorted
// (stable, so events at the same tick keep their order), every track closed by an end-of-track
// event at its last event or at endOfTrack() if later.
// Channels are 0..15; keys, velocities, programs 0..127.
class SmfWriter {
public:
    explicit SmfWriter(int ticksPerQuarter = 480) : m_ticksPerQuarter(ticksPerQuarter) {}

    // Adds an empty track and returns its index.
    int addTrack();

    void tempo(int track, std::uint32_t tick, std::uint32_t microsecondsPerQuarter);
    void programChange(int track, std::uint32_t tick, int channel, int program);
    void noteOn(int track, std::uint32_t tick, int channel, int key, int velocity);
    void noteOff(int track, std::uint32_t tick, int channel, int key);
    // A note-on and its note-off lengthTicks later.
    void note(int track, std::uint32_t tick, std::uint32_t lengthTicks, int channel, int key, int velocity);
    void endOfTrack(int track, std::uint32_t tick);

    // The file: format 0 for one track, otherwise format 1.
    std::vector<std::uint8_t> bytes() const;
    bool writeTo(const std::string& path) const;

    // Milliseconds at a constant tempo of microsecondsPerQuarter.
    double ticksToMs(std::uint32_t ticks, std::uint32_t microsecondsPerQuarter = 500000) const
    {
        return ticks * (microsecondsPerQuarter / 1000.0) / m_ticksPerQuarter;
    }

private:
    struct Event {
        std::uint32_t tick;
        std::vector<std::uint8_t> bytes; // status and data, or FF type length data
    };
    struct Track {
        std::vector<Event> events;
        std::uint32_t endTick = 0;
    };
    void add(int track, std::uint32_t tick, std::vector<std::uint8_t> bytes);

    int m_ticksPerQuarter;
    std::vector<Track> m_tracks;
};

} // namespace zuvelo
