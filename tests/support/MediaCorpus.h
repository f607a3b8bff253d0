#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zuvelo::testing {

// The six kinds of file the scan accepts, by their name's tail.
inline const std::vector<std::string> kFormats = {"wav", "wma", "mp3", "mp2", "mid", "midi"};

// Tracks of every format made at test time: good ones (a tone the ffmpeg command line encodes, or a
// MIDI note), and the damaged shapes a folder nobody curated holds. Everything is deterministic: the
// random bytes come from a fixed seed.
class MediaCorpus {
public:
    // Bytes of a good track of format that sounds one pitch for about seconds: a sine for the
    // FFmpeg formats, a held flute note for MIDI (whose pitch is midiPitch(frequencyIndex)).
    // Encoding happens in scratchFolder. Throws std::runtime_error when ffmpeg fails.
    static std::vector<std::uint8_t> tone(const std::string& format, double frequency, double seconds,
                                          const std::string& scratchFolder);

    // Bytes of a track of format that opens but plays only silence for about seconds.
    static std::vector<std::uint8_t> silence(const std::string& format, double seconds,
                                             const std::string& scratchFolder);

    // Damaged tracks: random bytes, or a good file cut short.
    static std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed);
    static std::vector<std::uint8_t> truncated(const std::vector<std::uint8_t>& good, std::size_t length);

    // The frequency of the MIDI key a MIDI tone() of that frequency plays: the key nearest to it.
    static double midiPitch(double frequency);

    static void write(const std::string& path, const std::vector<std::uint8_t>& bytes);
};

} // namespace zuvelo::testing
