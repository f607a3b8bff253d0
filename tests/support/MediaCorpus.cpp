#include "MediaCorpus.h"

#include "SmfWriter.h"

#include <cmath>
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
