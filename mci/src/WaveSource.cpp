#include "WaveSource.h"

#include "OpenLimits.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cstring>

namespace zuvelo::mci {
namespace {

static_assert(std::endian::native == std::endian::little, "wav samples are read as the host's own");

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The tail every WAVE_FORMAT_EXTENSIBLE sub-format GUID shares after its two-byte format tag.
constexpr unsigned char kSubFormatTail[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
// Chunks passed over before the data: real files have a handful; more is FFmpeg's to judge.
constexpr int kMaxChunks = 64;
// What one decoding step reads.
constexpr std::size_t kFramesPerRead = 4096;

std::uint32_t le32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

unsigned le16(const unsigned char* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

// samples little-endian samples of bytes each, as floats in [-1, 1) the way FFmpeg scales them.
void toFloat(const unsigned char* __restrict in, std::size_t samples, int bytes, WaveSource::Encoding encoding,
             float* __restrict out)
{
    if (encoding == WaveSource::Encoding::Float) {
        for (std::size_t i = 0; i < samples; ++i, in += bytes) {
            if (bytes == 4) {
                float f;
                std::memcpy(&f, in, 4);
                out[i] = f;
            } else {
                double d;
                std::memcpy(&d, in, 8);
                out[i] = float(d);
            }
        }
        return;
    }
    switch (bytes) {
    case 1: // unsigned, silence at 128
        for (std::size_t i = 0; i < samples; ++i)
            out[i] = float(int(in[i]) - 128) * (1.0f / 128);
        break;
    case 2: // the commonest, copied as the little-endian host's own (which the compiler vectorises)
        for (std::size_t i = 0; i < samples; ++i) {
            std::int16_t v;
            std::memcpy(&v, in + 2 * i, 2);
            out[i] = float(v) * (1.0f / 32768);
        }
        break;
    case 3:
        for (std::size_t i = 0; i < samples; ++i, in += 3)
            out[i] = float(std::int32_t(std::uint32_t(in[0]) << 8 | std::uint32_t(in[1]) << 16 |
                                        std::uint32_t(in[2]) << 24)) *
                     (1.0f / 2147483648.0f);
        break;
    default:
        for (std::size_t i = 0; i < samples; ++i, in += 4)
            out[i] = float(std::int32_t(le32(in))) * (1.0f / 2147483648.0f);
    }
}

} // namespace

WaveSource::WaveSource(const std::string& path, int fd) : FileSource(path), m_fd(fd), m_reader(fd, 0, m_abort)
{
}

WaveSource::~WaveSource()
{
    ::close(m_fd);
}

std::unique_ptr<WaveSource> WaveSource::open(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<WaveSource> source(new WaveSource(path, fd));
    source->m_reader.limit(kHeaderBytes, std::chrono::steady_clock::now() + kOpenTimeLimit);
    if (!source->readHeader() ||
        !source->m_converter.setFormat(source->m_rate, source->m_channels, source->m_pending.samples()))
        return nullptr;
    // The first frames now, as every device decodes them at open.
    if (!source->decodeMore() && source->m_pending.empty())
        return nullptr;
    source->m_reader.unlimit();
    return source;
}

// Reads the RIFF header up to the data chunk: true for a plain wav this source plays.
bool WaveSource::readHeader()
{
    unsigned char riff[12];
    if (m_reader.read(riff, 12) != 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    const std::int64_t fileBytes = m_reader.size();
    bool haveFormat = false;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        unsigned char header[8];
        if (m_reader.read(header, 8) != 8)
            return false;
        const std::int64_t size = le32(header + 4);
        const std::int64_t body = m_reader.seek(0, SEEK_CUR);
        if (std::memcmp(header, "fmt ", 4) == 0) {
            unsigned char f[40] = {};
            if (size < 16 || m_reader.read(f, std::size_t(std::min<std::int64_t>(size, 40))) < 16)
                return false;
            unsigned tag = le16(f);
            if (tag == kFormatExtensible) {
                if (size < 40 || le16(f + 16) < 22 || std::memcmp(f + 26, kSubFormatTail, 14) != 0)
                    return false;
                const std::uint32_t mask = le32(f + 20); // where the channels go: the usual places only
                if (mask != 0 && mask != (le16(f + 2) == 1 ? 0x4u : 0x3u))
                    return false;
                tag = le16(f + 24);
            }
            m_channels = int(le16(f + 2));
            m_rate = long(le32(f + 4));
            const unsigned blockAlign = le16(f + 12), bits = le16(f + 14);
            m_encoding = tag == kFormatFloat ? Encoding::Float : Encoding::Pcm;
            m_bytesPerSample = int(bits / 8);
            const bool pcm = tag == kFormatPcm && bits % 8 == 0 && bits >= 8 && bits <= 32;
            const bool ieee = tag == kFormatFloat && (bits == 32 || bits == 64);
            if (!(pcm || ieee) || m_channels < 1 || m_channels > kOutputChannels ||
                !plausibleFormat(m_rate, m_channels) || blockAlign != unsigned(m_channels * m_bytesPerSample))
                return false;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                return false;
            // A recorder that streams cannot know the size when it writes the header, and leaves it
            // 0 or 0xFFFFFFFF: the data then runs to the end of the file; so does data cut short.
            std::int64_t bytes = fileBytes - body;
            if (size != 0 && size != 0xFFFFFFFF)
                bytes = std::min(bytes, size);
            const std::int64_t frameBytes = m_channels * m_bytesPerSample;
            m_dataStart = body;
            m_dataBytes = bytes / frameBytes * frameBytes;
            m_lengthFrames = OutputConverter::outputFrames(m_rate, m_dataBytes / frameBytes);
            return m_dataBytes > 0;
        }
        // Chunks are word-aligned: an odd size is followed by a pad byte.
        if (body + size > fileBytes || m_reader.seek(body + size + (size & 1), SEEK_SET) < 0)
            return false;
    }
    return false;
}

bool WaveSource::decodeMore()
{
    if (m_ended)
        return false;
    const std::int64_t frameBytes = m_channels * m_bytesPerSample;
    const std::size_t want = std::size_t(std::min<std::int64_t>(kFramesPerRead * frameBytes, m_dataBytes - m_dataRead));
    m_raw.resize(want);
    m_reader.seek(m_dataStart + m_dataRead, SEEK_SET);
    const long got = want > 0 ? m_reader.read(m_raw.data(), want) : 0;
    const std::size_t frames = got > 0 ? std::size_t(got / frameBytes) : 0;
    m_dataRead += std::int64_t(frames) * frameBytes;
    m_decoded.resize(frames * std::size_t(m_channels));
    toFloat(m_raw.data(), m_decoded.size(), m_bytesPerSample, m_encoding, m_decoded.data());
    m_converter.convert(m_decoded.data(), frames, m_pending.samples());
    if (frames == 0 || m_dataRead >= m_dataBytes) {
        // The end, or a read error or abort: it ends here.
        m_converter.drain(m_pending.samples());
        m_ended = true;
    }
    return !m_pending.empty() || !m_ended;
}

bool WaveSource::rewind()
{
    m_pending.clear();
    m_converter.reset();
    m_dataRead = 0;
    m_ended = false;
    return true;
}

} // namespace zuvelo::mci
