#include "DemoTune.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zuvelo::demo {
namespace {

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void appendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// MIDI's variable-length quantity: 7 bits a byte, high bit set on all but the last.
void appendVariableLength(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t bytes[5];
    int count = 0;
    do {
        bytes[count++] = value & 0x7f;
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(bytes[--count] | 0x80);
    out.push_back(bytes[0]);
}

struct TimedEvent {
    std::uint32_t tick;
    std::uint8_t status;
    std::uint8_t key;
    std::uint8_t velocity;
};

} // namespace

std::vector<Note> demoTune()
{
    // Melody: two four-bar phrases in C major, answered once; bass on every half bar.
    const int melody[] = {64, 67, 72, 71, 69, 67, 64, 65, 67, 69, 67, 65, 64, 62, 60, -1,
                          64, 67, 72, 74, 76, 74, 72, 71, 69, 71, 72, 67, 64, 62, 60, -1};
    const int bass[] = {48, 43, 45, 41, 48, 43, 41, 43, 48, 43, 45, 41, 41, 43, 48, 48};
    std::vector<Note> notes;
    for (int i = 0; i < 32; ++i)
        if (melody[i] >= 0)
            notes.push_back({i * 1.0, 0.9, melody[i], 96});
    for (int i = 0; i < 16; ++i)
        notes.push_back({i * 2.0, 1.9, bass[i], 72});
    std::sort(notes.begin(), notes.end(),
              [](const Note& a, const Note& b) { return a.startBeat < b.startBeat; });
    return notes;
}

std::vector<std::uint8_t> writeStandardMidiFile(const std::vector<Note>& notes, double beatsPerMinute,
                                                int program)
{
    constexpr int kTicksPerBeat = 480;
    std::vector<TimedEvent> events;
    for (const Note& n : notes) {
        const auto on = static_cast<std::uint32_t>(std::lround(n.startBeat * kTicksPerBeat));
        const auto off =
            static_cast<std::uint32_t>(std::lround((n.startBeat + n.lengthBeats) * kTicksPerBeat));
        events.push_back({on, 0x90, static_cast<std::uint8_t>(n.midiKey),
                          static_cast<std::uint8_t>(n.velocity)});
        events.push_back({off, 0x80, static_cast<std::uint8_t>(n.midiKey), 64});
    }
    // Note-offs before note-ons at the same tick, so a repeated key is released before it sounds again.
    std::stable_sort(events.begin(), events.end(), [](const TimedEvent& a, const TimedEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.status < b.status;
    });

    std::vector<std::uint8_t> track;
    const auto microsPerBeat = static_cast<std::uint32_t>(std::lround(60'000'000.0 / beatsPerMinute));
    appendVariableLength(track, 0);
    track.insert(track.end(), {0xff, 0x51, 0x03});
    appendBigEndian(track, microsPerBeat, 3);
    appendVariableLength(track, 0);
    track.insert(track.end(), {0xc0, static_cast<std::uint8_t>(program & 0x7f)});
    std::uint32_t now = 0;
    for (const TimedEvent& e : events) {
        appendVariableLength(track, e.tick - now);
        now = e.tick;
        track.insert(track.end(), {e.status, e.key, e.velocity});
    }
    appendVariableLength(track, 0);
    track.insert(track.end(), {0xff, 0x2f, 0x00});

    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd'};
    appendBigEndian(file, 6, 4);
    appendBigEndian(file, 0, 2); // format 0
    appendBigEndian(file, 1, 2); // one track
    appendBigEndian(file, kTicksPerBeat, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

std::vector<std::uint8_t> renderWaveFile(const std::vector<Note>& notes, double beatsPerMinute,
                                         int transpose, int sampleRate)
{
    const double secondsPerBeat = 60.0 / beatsPerMinute;
    double endSeconds = 0;
    for (const Note& n : notes)
        endSeconds = std::max(endSeconds, (n.startBeat + n.lengthBeats) * secondsPerBeat);
    const double releaseSeconds = 0.25;
    const auto frames = static_cast<std::size_t>((endSeconds + releaseSeconds + 0.25) * sampleRate);
    std::vector<float> mix(frames, 0.0f);

    for (const Note& n : notes) {
        const double frequency = 440.0 * std::pow(2.0, (n.midiKey + transpose - 69) / 12.0);
        const double gain = 0.18 * n.velocity / 127.0;
        const auto first = static_cast<std::size_t>(n.startBeat * secondsPerBeat * sampleRate);
        const double held = n.lengthBeats * secondsPerBeat;
        const auto count = static_cast<std::size_t>((held + releaseSeconds) * sampleRate);
        for (std::size_t i = 0; i < count && first + i < frames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            // A soft plucked envelope: 5 ms attack, exponential decay, linear release after the note.
            double envelope = std::min(1.0, t / 0.005) * std::exp(-2.5 * t);
            if (t > held)
                envelope *= std::max(0.0, 1.0 - (t - held) / releaseSeconds);
            const double phase = 2.0 * std::numbers::pi * frequency * t;
            const double tone = std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.15 * std::sin(3 * phase);
            mix[first + i] += static_cast<float>(gain * envelope * tone);
        }
    }

    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    const auto dataBytes = static_cast<std::uint32_t>(frames * 4);
    appendLittleEndian(file, 36 + dataBytes, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    appendLittleEndian(file, 16, 4);
    appendLittleEndian(file, 1, 2); // PCM
    appendLittleEndian(file, 2, 2); // stereo
    appendLittleEndian(file, static_cast<std::uint32_t>(sampleRate), 4);
    appendLittleEndian(file, static_cast<std::uint32_t>(sampleRate * 4), 4);
    appendLittleEndian(file, 4, 2);
    appendLittleEndian(file, 16, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    appendLittleEndian(file, dataBytes, 4);
    for (float sample : mix) {
        const auto value = static_cast<std::int16_t>(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767));
        appendLittleEndian(file, static_cast<std::uint16_t>(value), 2);
        appendLittleEndian(file, static_cast<std::uint16_t>(value), 2);
    }
    return file;
}

} // namespace zuvelo::demo
