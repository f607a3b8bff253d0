#include "MidiFileScan.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace zuvelo::mci {

namespace {

// Microseconds per quarter note until the first tempo event: 120 beats per minute.
constexpr double kDefaultMicrosecondsPerQuarter = 500000.0;

// Reads big-endian numbers, variable-length quantities and bytes, never past end.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t begin, std::size_t end) : m_data(data), m_pos(begin), m_end(end) {}

    bool atEnd() const { return m_pos >= m_end; }
    std::size_t position() const { return m_pos; }

    bool byte(std::uint8_t& out)
    {
        if (m_pos >= m_end)
            return false;
        out = m_data[m_pos++];
        return true;
    }
    void unread() { --m_pos; }

    bool skip(std::size_t count)
    {
        if (count > m_end - m_pos)
            return false;
        m_pos += count;
        return true;
    }

    // At most four bytes, as the file format allows.
    bool varLength(std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t c;
            if (!byte(c))
                return false;
            out = (out << 7) | (c & 0x7F);
            if (!(c & 0x80))
                return true;
        }
        return false;
    }

    bool bigEndian(int bytes, std::uint32_t& out)
    {
        out = 0;
        for (int i = 0; i < bytes; ++i) {
            std::uint8_t c;
            if (!byte(c))
                return false;
            out = (out << 8) | c;
        }
        return true;
    }

    bool tag(const char* fourCC)
    {
        if (m_end - m_pos < 4 || !std::equal(fourCC, fourCC + 4, m_data + m_pos))
            return false;
        m_pos += 4;
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_pos;
    std::size_t m_end;
};

// Length a meta event must have for the player to accept it, or -1 for any length.
int requiredMetaLength(std::uint8_t type)
{
    switch (type) {
    case 0x2F: return 0; // end of track
    case 0x51: return 3; // tempo
    case 0x58: return 4; // time signature
    case 0x59: return 2; // key signature
    default: return -1;
    }
}

// A tempo change: from this tick on, so many microseconds per quarter.
using TempoChange = std::pair<std::uint32_t, double>;

// Walks one track's events. Adds its tempo changes to tempos and the tick of each event to
// eventTicks (in order, so the track's part of it is sorted), and raises lastTick to its last
// event's. Fails once eventTicks would hold more than kMaxMidiEvents.
bool scanTrack(ByteReader& track, std::vector<TempoChange>& tempos, std::vector<std::uint32_t>& eventTicks,
               std::uint32_t& lastTick)
{
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!track.atEnd()) {
        std::uint32_t delta;
        if (!track.varLength(delta))
            return false;
        tick += delta;
        // The player counts ticks in an int; beyond that its timing breaks down.
        if (tick > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return false;
        lastTick = std::max(lastTick, static_cast<std::uint32_t>(tick));
        if (eventTicks.size() >= kMaxMidiEvents)
            return false;
        eventTicks.push_back(static_cast<std::uint32_t>(tick));

        std::uint8_t status;
        if (!track.byte(status))
            return false;
        if (!(status & 0x80)) {
            // A data byte: it belongs to an event with the previous status.
            if (!(runningStatus & 0x80))
                return false;
            track.unread();
            status = runningStatus;
        }
        runningStatus = status;

        if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t length;
            if (!track.byte(type) || !track.varLength(length))
                return false;
            const int required = requiredMetaLength(type);
            if (required >= 0 && length != static_cast<std::uint32_t>(required))
                return false;
            if (type == 0x51 && length == 3) {
                std::uint32_t microseconds;
                if (!track.bigEndian(3, microseconds) || microseconds == 0)
                    return false;
                tempos.emplace_back(static_cast<std::uint32_t>(tick), static_cast<double>(microseconds));
                continue;
            }
            if (!track.skip(length))
                return false;
            if (type == 0x2F)
                return true; // the player reads no further
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length;
            if (!track.varLength(length) || !track.skip(length))
                return false;
        } else if (status >= 0xF1) {
            return false; // system common and real-time messages have no place in a file
        } else {
            const std::uint8_t kind = status & 0xF0;
            const std::size_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (!track.skip(dataBytes))
                return false;
        }
    }
    return true;
}

// Converts ticks to milliseconds through the tempo map (changes sorted by tick), for ticks
// asked in rising order: each call goes on from where the last one stopped.
class TempoClock {
public:
    TempoClock(int ticksPerQuarter, const std::vector<TempoChange>& tempos)
        : m_ticksPerQuarter(ticksPerQuarter),
          m_tempos(tempos)
    {
    }

    double ms(std::uint32_t tick)
    {
        while (m_next < m_tempos.size() && m_tempos[m_next].first < tick) {
            m_us += static_cast<double>(m_tempos[m_next].first - m_from) * m_tempo / m_ticksPerQuarter;
            m_from = m_tempos[m_next].first;
            m_tempo = m_tempos[m_next].second;
            ++m_next;
        }
        return (m_us + static_cast<double>(tick - m_from) * m_tempo / m_ticksPerQuarter) / 1000.0;
    }

private:
    const int m_ticksPerQuarter;
    const std::vector<TempoChange>& m_tempos;
    std::size_t m_next = 0;
    double m_us = 0;
    double m_tempo = kDefaultMicrosecondsPerQuarter;
    std::uint32_t m_from = 0;
};

// Whether some kDensityWindowMs of the piece holds more than kMaxMidiEventsPerWindow events.
// ticks: every event's tick, sorted.
bool tooDense(const std::vector<std::uint32_t>& ticks, TempoClock clock)
{
    std::size_t windowStart = 0;
    double windowStartMs = 0;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const double ms = clock.ms(ticks[i]);
        if (i == 0 || ms >= windowStartMs + kDensityWindowMs) {
            windowStart = i;
            windowStartMs = ms;
        } else if (i - windowStart >= kMaxMidiEventsPerWindow) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<MidiFileSummary> scanStandardMidiFile(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr)
        return std::nullopt;
    ByteReader file(data, 0, size);
    std::uint32_t headerLength, format, tracks, division;
    if (!file.tag("MThd") || !file.bigEndian(4, headerLength) || headerLength != 6 || !file.bigEndian(2, format) ||
        !file.bigEndian(2, tracks) || !file.bigEndian(2, division))
        return std::nullopt;
    // SMPTE timing (top bit of the division) is something the player cannot follow.
    if (format > 2 || tracks == 0 || tracks > kMaxMidiTracks || division == 0 || (division & 0x8000))
        return std::nullopt;

    MidiFileSummary summary;
    summary.format = static_cast<int>(format);
    summary.ticksPerQuarter = static_cast<int>(division);
    std::vector<TempoChange> tempos;
    std::vector<std::uint32_t> eventTicks;
    std::vector<std::size_t> trackStarts; // where each track's (sorted) run of eventTicks begins

    while (summary.trackCount < static_cast<int>(tracks)) {
        // Chunks other than tracks are skipped, as the format asks of readers.
        const bool isTrack = file.tag("MTrk");
        if (!isTrack && !file.skip(4))
            return std::nullopt;
        std::uint32_t length;
        if (!file.bigEndian(4, length) || length > size - file.position())
            return std::nullopt;
        const std::size_t begin = file.position();
        file.skip(length);
        if (!isTrack)
            continue;
        ByteReader track(data, begin, begin + length);
        trackStarts.push_back(eventTicks.size());
        if (!scanTrack(track, tempos, eventTicks, summary.lastEventTick))
            return std::nullopt;
        ++summary.trackCount;
    }

    // Tempo changes apply from their tick, in file order where ticks are equal, as the player does.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.first < b.first; });
    // The tracks' runs of ticks merged into one sorted list, pairwise (n log tracks).
    trackStarts.push_back(eventTicks.size());
    for (std::size_t width = 1; width + 1 < trackStarts.size(); width *= 2) {
        for (std::size_t i = 0; i + width + 1 < trackStarts.size(); i += 2 * width) {
            const std::size_t end = trackStarts[std::min(i + 2 * width, trackStarts.size() - 1)];
            std::inplace_merge(eventTicks.begin() + static_cast<long>(trackStarts[i]),
                               eventTicks.begin() + static_cast<long>(trackStarts[i + width]),
                               eventTicks.begin() + static_cast<long>(end));
        }
    }
    if (tooDense(eventTicks, TempoClock(summary.ticksPerQuarter, tempos)))
        return std::nullopt;
    summary.eventCount = eventTicks.size();
    summary.lastEventMs = TempoClock(summary.ticksPerQuarter, tempos).ms(summary.lastEventTick);
    return summary;
}

} // namespace zuvelo::mci
