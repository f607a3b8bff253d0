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

    bool littleEndian32(std::uint32_t& out)
    {
        if (!bigEndian(4, out))
            return false;
        out = (out >> 24) | ((out >> 8) & 0xFF00) | ((out << 8) & 0xFF0000) | (out << 24);
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

// Why a file is refused, in a listener's words.
constexpr const char* kDamaged = "the MIDI data is damaged or cut short";
constexpr const char* kTooManyEvents = "it has more than a million events";

// Walks one track's events. Adds its tempo changes to tempos (and where their data lies in the
// file to tempoOffsets) and the tick of each event to eventTicks (in order, so the track's part of
// it is sorted), and raises lastTick to its last event's. Returns why it cannot be played, or null.
const char* scanTrack(ByteReader& track, std::vector<TempoChange>& tempos, std::vector<std::size_t>& tempoOffsets,
                      std::vector<std::uint32_t>& eventTicks, std::uint32_t& lastTick)
{
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!track.atEnd()) {
        std::uint32_t delta;
        if (!track.varLength(delta))
            return kDamaged;
        tick += delta;
        // The player counts ticks in an int; beyond that its timing breaks down.
        if (tick > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return "it lasts longer than the player can count";
        lastTick = std::max(lastTick, static_cast<std::uint32_t>(tick));
        if (eventTicks.size() >= kMaxMidiEvents)
            return kTooManyEvents;
        eventTicks.push_back(static_cast<std::uint32_t>(tick));

        std::uint8_t status;
        if (!track.byte(status))
            return kDamaged;
        if (!(status & 0x80)) {
            // A data byte: it belongs to an event with the previous status.
            if (!(runningStatus & 0x80))
                return kDamaged;
            track.unread();
            status = runningStatus;
        }
        runningStatus = status;

        if (status == 0xFF) {
            std::uint8_t type;
            std::uint32_t length;
            if (!track.byte(type) || !track.varLength(length))
                return kDamaged;
            const int required = requiredMetaLength(type);
            if (required >= 0 && length != static_cast<std::uint32_t>(required))
                return kDamaged;
            if (type == 0x51 && length == 3) {
                tempoOffsets.push_back(track.position());
                std::uint32_t microseconds;
                if (!track.bigEndian(3, microseconds) || microseconds == 0)
                    return kDamaged;
                tempos.emplace_back(static_cast<std::uint32_t>(tick), static_cast<double>(microseconds));
                continue;
            }
            if (!track.skip(length))
                return kDamaged;
            if (type == 0x2F)
                return nullptr; // the player reads no further
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length;
            if (!track.varLength(length) || !track.skip(length))
                return kDamaged;
        } else if (status >= 0xF1) {
            return kDamaged; // system common and real-time messages have no place in a file
        } else {
            const std::uint8_t kind = status & 0xF0;
            const std::size_t dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (!track.skip(dataBytes))
                return kDamaged;
        }
    }
    return nullptr;
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

std::optional<MidiFileSummary> scanStandardMidiFile(const std::uint8_t* data, std::size_t size, const char** refusal)
{
    const char* unused = nullptr;
    const char*& why = refusal != nullptr ? *refusal : unused;
    why = "it is not a Standard MIDI File";
    ByteReader file(data, 0, size);
    std::uint32_t headerLength, format, tracks, division;
    if (data == nullptr || !file.tag("MThd") || !file.bigEndian(4, headerLength) || headerLength != 6 ||
        !file.bigEndian(2, format) || !file.bigEndian(2, tracks) || !file.bigEndian(2, division) || format > 2)
        return std::nullopt;
    MidiFileSummary summary;
    summary.format = static_cast<int>(format);
    summary.ticksPerQuarter = static_cast<int>(division);
    if (division & 0x8000) {
        // SMPTE timing: frames a second (the high byte, negated; 29 is 30 drop-frame, 29.97) of so
        // many ticks each. As quarters, a quarter is 30 (or 24, 25) frames at a tempo that makes it
        // last a second (1.001 s for 29.97).
        const int framesPerSecond = 256 - static_cast<int>(division >> 8), ticksPerFrame = division & 0xFF;
        const bool known =
            framesPerSecond == 24 || framesPerSecond == 25 || framesPerSecond == 29 || framesPerSecond == 30;
        summary.ticksPerQuarter = (framesPerSecond == 29 ? 30 : framesPerSecond) * ticksPerFrame;
        summary.smpteTempo = framesPerSecond == 29 ? 1001001 : 1000000;
        if (!known || ticksPerFrame == 0)
            return why = "its SMPTE timing is not one of 24, 25, 29.97 or 30 frames a second", std::nullopt;
    }
    if (tracks == 0 || tracks > kMaxMidiTracks || division == 0)
        return why = tracks == 0               ? "it has no tracks"
                     : tracks > kMaxMidiTracks ? "it has more than 128 tracks"
                                               : kDamaged,
               std::nullopt;

    std::vector<TempoChange> tempos;
    std::vector<std::uint32_t> eventTicks;
    std::vector<std::size_t> trackStarts; // where each track's (sorted) run of eventTicks begins

    why = kDamaged;
    while (summary.trackCount < static_cast<int>(tracks)) {
        // Chunks other than tracks are skipped, as the format asks of readers.
        const std::size_t chunkAt = file.position();
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
        if (summary.trackCount == 0)
            summary.firstTrackAt = chunkAt;
        ByteReader track(data, begin, begin + length);
        trackStarts.push_back(eventTicks.size());
        if ((why = scanTrack(track, tempos, summary.tempoOffsets, eventTicks, summary.lastEventTick)) != nullptr)
            return std::nullopt;
        ++summary.trackCount;
    }

    // Tempo changes apply from their tick, in file order where ticks are equal, as the player does.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.first < b.first; });
    if (summary.smpteTempo != 0)
        tempos = {{0, static_cast<double>(summary.smpteTempo)}}; // the file's own mean nothing
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
        return why = "it has more events within a tenth of a second than can be played in time", std::nullopt;
    summary.eventCount = eventTicks.size();
    summary.lastEventMs = TempoClock(summary.ticksPerQuarter, tempos).ms(summary.lastEventTick);
    why = nullptr;
    return summary;
}

std::optional<MidiFileSummary> readMidiFile(std::vector<std::uint8_t>& file, const char** refusal)
{
    // RIFF-wrapped ("RMID"): the Standard MIDI File is the "data" chunk.
    ByteReader riff(file.data(), 0, file.size());
    std::uint32_t size = 0;
    if (riff.tag("RIFF") && riff.skip(4) && riff.tag("RMID")) {
        bool found = false; // chunks before it are skipped, each padded to an even size
        while (!(found = riff.tag("data")) && riff.skip(4) && riff.littleEndian32(size) &&
               riff.skip(std::size_t(size) + (size & 1))) {
        }
        if (!found || !riff.littleEndian32(size) || size > file.size() - riff.position())
            return *refusal = "it is a RIFF MIDI file without MIDI data", std::nullopt;
        file = std::vector<std::uint8_t>(file.begin() + long(riff.position()),
                                         file.begin() + long(riff.position() + size));
    }
    std::optional<MidiFileSummary> summary = scanStandardMidiFile(file.data(), file.size(), refusal);
    if (!summary || summary->smpteTempo == 0)
        return summary;
    // SMPTE timing, which the synthesizer's player does not follow, becomes the quarter-note timing
    // the summary has worked out: its division, every tempo event set to its tempo (under SMPTE
    // timing they mean nothing), and that tempo at the start of the first track.
    const std::uint32_t tempo = summary->smpteTempo;
    const std::uint8_t tempoEvent[] = {
        0, 0xFF, 0x51, 3, std::uint8_t(tempo >> 16), std::uint8_t(tempo >> 8), std::uint8_t(tempo)};
    for (const std::size_t at : summary->tempoOffsets)
        std::copy(tempoEvent + 4, tempoEvent + 7, file.begin() + long(at));
    file[12] = std::uint8_t(summary->ticksPerQuarter >> 8);
    file[13] = std::uint8_t(summary->ticksPerQuarter);
    std::uint8_t* length = file.data() + summary->firstTrackAt + 4;
    const std::uint32_t newLength = (std::uint32_t(length[0]) << 24 | length[1] << 16 | length[2] << 8 | length[3]) + 7;
    for (int i = 0; i < 4; ++i)
        length[i] = std::uint8_t(newLength >> (24 - 8 * i));
    file.insert(file.begin() + long(summary->firstTrackAt + 8), tempoEvent, tempoEvent + 7);
    summary->smpteTempo = 0;
    return summary;
}

} // namespace zuvelo::mci
