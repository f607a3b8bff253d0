#include "MediaCorpus.h"

#include "SmfWriter.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace zuvelo::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Encodes the lavfi source into format through the ffmpeg command line and returns the bytes.
Bytes encode(const std::string& format, const std::string& source, const std::string& scratchFolder)
{
    static int counter = 0;
    const std::string out = scratchFolder + "/encoded" + std::to_string(counter++) + "." + format;
    const std::string codec = format == "wma"   ? "-c:a wmav2 -b:a 64k -f asf"
                              : format == "mp3" ? "-c:a libmp3lame -b:a 128k"
                              : format == "mp2" ? "-c:a mp2 -b:a 192k -f mp2"
                                                : "";
    const std::string command =
        "ffmpeg -nostdin -v error -y -f lavfi -i '" + source + "' -ar 44100 -ac 2 " + codec + " '" + out + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg failed: " + command);
    std::ifstream in(out, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    std::remove(out.c_str());
    return bytes;
}

bool isMidi(const std::string& format)
{
    return format == "mid" || format == "midi";
}

int midiKey(double frequency)
{
    return static_cast<int>(std::lround(69 + 12 * std::log2(frequency / 440)));
}

// A flute (General MIDI program 74, nearly a pure tone) holding key for seconds at the default
// tempo, silent when velocity is 0.
Bytes midiNote(int key, int velocity, double seconds)
{
    SmfWriter smf;
    const int track = smf.addTrack();
    smf.programChange(track, 0, 0, 73);
    smf.note(track, 0, static_cast<std::uint32_t>(seconds * 960), 0, key, velocity);
    return smf.bytes();
}

std::uint32_t littleEndian32(const Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

void put(Bytes& out, std::size_t at, std::uint64_t value, int width, bool bigEndian = false)
{
    for (int i = 0; i < width; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * (bigEndian ? width - 1 - i : i)));
}

// Where the audio data of a wav begins: after the "data" chunk's header.
std::size_t wavDataOffset(const Bytes& good)
{
    for (std::size_t at = 12; at + 8 <= good.size(); at += 8 + littleEndian32(good, at + 4) + (good[at + 4] & 1))
        if (std::memcmp(&good[at], "data", 4) == 0)
            return at + 8;
    throw std::runtime_error("wav without a data chunk");
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
    std::size_t header = 22; // MIDI: MThd and the MTrk chunk's header, whose length now covers garbage
    if (format == "wav")
        header = wavDataOffset(good);
    else if (format == "wma")
        header = littleEndian32(good, 16); // the ASF header object's size
    else if (!isMidi(format))              // MPEG audio: an ID3v2 tag if any, then one frame header
        header = 4 + (std::memcmp(good.data(), "ID3", 3) != 0
                          ? 0
                          : 10 + (std::size_t(good[6]) << 21 | good[7] << 14 | good[8] << 7 | good[9]));
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
        put(bytes, 4, 0xFFFFFFF0u, 4);
        put(bytes, wavDataOffset(good) - 4, 0xFFFFFFF0u, 4);
    } else if (format == "wma") {
        put(bytes, 16, 0x7FFFFFFFFFFFFFF0ull, 8);
    } else if (isMidi(format)) {
        put(bytes, 18, 0x7FFFFFFF, 4, true);
    } else { // a tag claiming 256 MB in front of the frames
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
