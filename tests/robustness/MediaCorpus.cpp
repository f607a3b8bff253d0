#include "MediaCorpus.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace zuvelo::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Encodes the lavfi source into format through the ffmpeg command line and returns the bytes.
Bytes encode(const std::string& format, const std::string& source, const std::string& scratchFolder)
{
    static int counter = 0;
    const std::string out = scratchFolder + "/encoded" + std::to_string(counter++) + "." + format;
    std::string codec;
    if (format == "wma")
        codec = "-c:a wmav2 -b:a 64k -f asf";
    else if (format == "mp3")
        codec = "-c:a libmp3lame -b:a 128k";
    else if (format == "mp2")
        codec = "-c:a mp2 -b:a 192k -f mp2";
    const std::string command =
        "ffmpeg -nostdin -v error -y -f lavfi -i '" + source + "' -ar 44100 -ac 2 " + codec + " '" + out + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg failed: " + command);
    Bytes bytes = readFile(out);
    std::remove(out.c_str());
    return bytes;
}

void appendVariableLength(Bytes& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (n > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

void putBigEndian32(Bytes& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void putLittleEndian(Bytes& out, std::size_t at, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

constexpr int kTicksPerQuarter = 480; // at the default tempo of 120 a quarter lasts 0.5 s
constexpr int kFlute = 73;            // General MIDI program 74, nearly a pure tone

// A type-0 Standard MIDI File: a flute holding key for seconds (silent when velocity is 0),
// the end of the track when it is released.
Bytes midiNote(int key, int velocity, double seconds)
{
    Bytes track;
    auto event = [&](std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        appendVariableLength(track, delta);
        track.insert(track.end(), bytes);
    };
    const auto length = static_cast<std::uint32_t>(seconds * 2 * kTicksPerQuarter);
    event(0, {0xC0, kFlute});
    event(0, {0x90, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)});
    event(length, {0x80, static_cast<std::uint8_t>(key), 0});
    event(0, {0xFF, 0x2F, 0x00});

    const std::uint8_t header[] = {
        'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, kTicksPerQuarter >> 8, kTicksPerQuarter & 0xFF,
        'M', 'T', 'r', 'k', 0, 0, 0, 0};
    Bytes file(sizeof header + track.size());
    std::copy(std::begin(header), std::end(header), file.begin());
    std::copy(track.begin(), track.end(), file.begin() + sizeof header);
    putBigEndian32(file, 18, static_cast<std::uint32_t>(track.size()));
    return file;
}

bool isMidi(const std::string& format)
{
    return format == "mid" || format == "midi";
}

int midiKey(double frequency)
{
    return static_cast<int>(std::lround(69 + 12 * std::log2(frequency / 440)));
}

// Where the audio data of a wav begins: after the "data" chunk's header.
std::size_t wavDataOffset(const Bytes& good)
{
    for (std::size_t at = 12; at + 8 <= good.size();) {
        const std::uint32_t size = good[at + 4] | good[at + 5] << 8 | good[at + 6] << 16 | good[at + 7] << 24;
        if (std::memcmp(&good[at], "data", 4) == 0)
            return at + 8;
        at += 8 + size + (size & 1);
    }
    throw std::runtime_error("wav without a data chunk");
}

// The size of an ID3v2 tag at the start, 0 when there is none.
std::size_t id3Size(const Bytes& good)
{
    if (good.size() < 10 || std::memcmp(good.data(), "ID3", 3) != 0)
        return 0;
    return 10 + (std::size_t(good[6]) << 21 | std::size_t(good[7]) << 14 | std::size_t(good[8]) << 7 | good[9]);
}

} // namespace

Bytes MediaCorpus::tone(const std::string& format, double frequency, double seconds, const std::string& scratchFolder)
{
    if (isMidi(format))
        return midiNote(midiKey(frequency), 110, seconds);
    return encode(format, "sine=frequency=" + std::to_string(frequency) + ":duration=" + std::to_string(seconds),
                  scratchFolder);
}

Bytes MediaCorpus::silence(const std::string& format, double seconds, const std::string& scratchFolder)
{
    if (isMidi(format))
        return midiNote(60, 0, seconds);
    return encode(format, "anullsrc=r=44100:cl=stereo:d=" + std::to_string(seconds), scratchFolder);
}

Bytes MediaCorpus::randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 engine(seed);
    Bytes bytes(count);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(engine());
    return bytes;
}

Bytes MediaCorpus::truncated(const Bytes& good, std::size_t length)
{
    return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(std::min(length, good.size())));
}

Bytes MediaCorpus::headerThenGarbage(const std::string& format, const Bytes& good, unsigned seed)
{
    std::size_t header = 0;
    if (format == "wav")
        header = wavDataOffset(good);
    else if (format == "wma")
        header = static_cast<std::size_t>(good[16] | good[17] << 8 | good[18] << 16); // ASF header object size
    else if (isMidi(format))
        header = 22; // MThd and the MTrk chunk's header: its declared length now covers garbage
    else
        header = id3Size(good) + 4; // any tag, then one frame header
    Bytes bytes = truncated(good, header);
    // Short enough that garbage read as PCM is a click rather than a tone.
    const Bytes garbage = randomBytes(2048, seed);
    bytes.insert(bytes.end(), garbage.begin(), garbage.end());
    return bytes;
}

Bytes MediaCorpus::hugeDeclaredLength(const std::string& format, const Bytes& good)
{
    Bytes bytes = good;
    if (format == "wav") {
        putLittleEndian(bytes, 4, 0xFFFFFFF0u, 4);
        putLittleEndian(bytes, wavDataOffset(good) - 4, 0xFFFFFFF0u, 4);
    } else if (format == "wma") {
        putLittleEndian(bytes, 16, 0x7FFFFFFFFFFFFFF0ull, 8);
    } else if (isMidi(format)) {
        putBigEndian32(bytes, 18, 0x7FFFFFFF);
    } else {
        // A tag claiming 256 MB in front of the frames.
        const Bytes tag = {'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
        bytes.insert(bytes.begin(), tag.begin(), tag.end());
    }
    return bytes;
}

double MediaCorpus::midiPitch(double frequency)
{
    return 440 * std::pow(2.0, (midiKey(frequency) - 69) / 12.0);
}

void MediaCorpus::write(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace zuvelo::testing
