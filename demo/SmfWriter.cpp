#include "SmfWriter.h"

#include <algorithm>
#include <fstream>

namespace zuvelo {

namespace {

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putVarLength(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (count > 1)
        out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

} // namespace

int SmfWriter::addTrack()
{
    m_tracks.emplace_back();
    return static_cast<int>(m_tracks.size()) - 1;
}

void SmfWriter::add(int track, std::uint32_t tick, std::vector<std::uint8_t> bytes)
{
    Track& t = m_tracks.at(static_cast<std::size_t>(track));
    t.events.push_back({tick, std::move(bytes)});
    t.endTick = std::max(t.endTick, tick);
}

void SmfWriter::tempo(int track, std::uint32_t tick, std::uint32_t us)
{
    add(track, tick,
        {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
         static_cast<std::uint8_t>(us)});
}

void SmfWriter::programChange(int track, std::uint32_t tick, int channel, int program)
{
    add(track, tick, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program)});
}

void SmfWriter::noteOn(int track, std::uint32_t tick, int channel, int key, int velocity)
{
    add(track, tick,
        {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
         static_cast<std::uint8_t>(velocity)});
}

void SmfWriter::noteOff(int track, std::uint32_t tick, int channel, int key)
{
    add(track, tick, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 64});
}

void SmfWriter::note(int track, std::uint32_t tick, std::uint32_t lengthTicks, int channel, int key, int velocity)
{
    noteOn(track, tick, channel, key, velocity);
    noteOff(track, tick + lengthTicks, channel, key);
}

void SmfWriter::endOfTrack(int track, std::uint32_t tick)
{
    Track& t = m_tracks.at(static_cast<std::size_t>(track));
    t.endTick = std::max(t.endTick, tick);
}

std::vector<std::uint8_t> SmfWriter::bytes() const
{
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    putBigEndian(out, 6, 4);
    putBigEndian(out, m_tracks.size() == 1 ? 0 : 1, 2);
    putBigEndian(out, static_cast<std::uint32_t>(m_tracks.size()), 2);
    putBigEndian(out, static_cast<std::uint32_t>(m_ticksPerQuarter), 2);
    for (const Track& track : m_tracks) {
        std::vector<Event> events = track.events;
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
        std::vector<std::uint8_t> body;
        std::uint32_t previous = 0;
        for (const Event& e : events) {
            putVarLength(body, e.tick - previous);
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
            previous = e.tick;
        }
        putVarLength(body, track.endTick - previous);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBigEndian(out, static_cast<std::uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

bool SmfWriter::writeTo(const std::string& path) const
{
    const std::vector<std::uint8_t> data = bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

} // namespace zuvelo
