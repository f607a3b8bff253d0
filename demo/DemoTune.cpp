#include "DemoTune.h"

#include "SmfWriter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zuvelo::demo {
namespace {

void appendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

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
    std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.startBeat < b.startBeat; });
    return notes;
}

std::vector<std::uint8_t> writeStandardMidiFile(const std::vector<Note>& notes, double beatsPerMinute, int program)
{
    constexpr int kTicksPerBeat = 480;
    const auto tick = [](double beat) { return static_cast<std::uint32_t>(std::lround(beat * kTicksPerBeat)); };
    SmfWriter smf(kTicksPerBeat);
    const int track = smf.addTrack();
    smf.tempo(track, 0, static_cast<std::uint32_t>(std::lround(60'000'000.0 / beatsPerMinute)));
    smf.programChange(track, 0, 0, program & 0x7f);
    // Events at the same tick keep the order they were added in: all note-offs first, so that a
    // repeated key is released before it sounds again.
    for (const Note& n : notes)
        smf.noteOff(track, tick(n.startBeat + n.lengthBeats), 0, n.midiKey);
    for (const Note& n : notes)
        smf.noteOn(track, tick(n.startBeat), 0, n.midiKey, n.velocity);
    return smf.bytes();
}

std::vector<std::uint8_t> renderWaveFile(const std::vector<Note>& notes, double beatsPerMinute, int transpose,
                                         int sampleRate)
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
