#include "MpegAudioSource.h"

#include "Id3v2Tags.h"
#include "OpenLimits.h"

#include "mci/mci.h"

#include <mpg123.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace zuvelo::mci {
namespace {

// libmpg123 reads through the source's FileReader.
mpg123_ssize_t readCallback(void* reader, void* to, size_t bytes)
{
    return static_cast<FileReader*>(reader)->read(to, bytes);
}

off_t seekCallback(void* reader, off_t offset, int whence)
{
    return off_t(static_cast<FileReader*>(reader)->seek(offset, whence));
}

// The bytes looked through for the first frame: MPEG audio starts at once past its tags, or after
// some junk (a tag of another kind, a damaged start). As far as FFmpeg's probe looked, which
// played these files before; the decoder is told to search as far.
constexpr std::size_t kFirstFrameWindow = 256 * 1024;

// The length of the MPEG audio frame whose header starts at h, or 0 for no header (reserved
// values, or free format, whose frames tell no length). Also the header's version, layer and rate.
std::size_t mpegFrameBytes(const unsigned char* h, unsigned& kind)
{
    static constexpr unsigned short kKbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static constexpr unsigned kRates[3] = {44100, 48000, 32000};
    const unsigned version = h[1] >> 3 & 3, layer = 4 - (h[1] >> 1 & 3), bitrate = h[2] >> 4, rate = h[2] >> 2 & 3;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || version == 1 || layer == 4 || bitrate == 0 || bitrate == 15 ||
        rate == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const unsigned hz = kRates[rate] >> (mpeg1 ? 0 : version == 2 ? 1 : 2), padding = h[2] >> 1 & 1;
    const unsigned bps = kKbps[mpeg1 ? 0 : 1][layer - 1][bitrate] * 1000u;
    kind = unsigned(h[1] & 0xFE) << 8 | (h[2] & 0x0C); // what every frame of the stream shares
    if (layer == 1)
        return (12 * bps / hz + padding) * 4;
    return (layer == 3 && !mpeg1 ? 72 : 144) * bps / hz + padding;
}

// Whether the file's first bytes hold two MPEG audio frames in a row, as FFmpeg's probe asks: a
// library of damaged or foreign files named .mp3 is then refused in a fraction of a millisecond,
// where the decoder would look for a frame at every byte.
bool startsWithMpegFrames(FileReader& reader)
{
    std::vector<unsigned char> bytes(kFirstFrameWindow);
    const long got = reader.read(bytes.data(), bytes.size());
    reader.seek(0, SEEK_SET);
    const std::size_t size = got > 0 ? std::size_t(got) : 0;
    for (std::size_t at = 0; at + 4 <= size; ++at) {
        unsigned kind = 0, nextKind = 0;
        const std::size_t length = bytes[at] == 0xFF ? mpegFrameBytes(&bytes[at], kind) : 0;
        if (length == 0)
            continue;
        if (at + length + 4 > size) { // no room for the next header: a file of one frame (and a tag)?
            if (size < bytes.size() && at + length <= size)
                return true;
            continue;
        }
        if (mpegFrameBytes(&bytes[at + length], nextKind) != 0 && nextKind == kind)
            return true;
    }
    return false;
}

// What one read decodes at most: a few frames (a layer 3 frame is 1152 samples a channel).
constexpr std::size_t kDecodeFloats = 4 * 1152 * 2;
// A decoder that keeps answering with nothing is taken to have ended.
constexpr int kMaxEmptyReads = 64;

} // namespace

MpegAudioSource::MpegAudioSource(const std::string& path, int fd, std::int64_t audioStart)
    : FileSource(path),
      m_fd(fd),
      m_reader(fd, audioStart, m_abort),
      m_measureReader(fd, audioStart, m_abort)
{
}

MpegAudioSource::~MpegAudioSource()
{
    mpg123_delete(m_measure);
    mpg123_delete(m_decoder);
    ::close(m_fd);
}

OpenResult<MpegAudioSource> MpegAudioSource::open(const std::string& path)
{
    [[maybe_unused]] static const int initialised = mpg123_init(); // needed by libraries before 1.27
    const auto deadline = std::chrono::steady_clock::now() + kOpenTimeLimit;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return OpenError{MCIERR_INTERNAL, std::strerror(errno)};
    std::unique_ptr<MpegAudioSource> source(new MpegAudioSource(path, fd, id3v2TagBytes(path)));
    MpegAudioSource& s = *source;
    s.m_reader.limit(kHeaderBytes, deadline);
    std::string refusal = "it is not MPEG audio";
    bool opened = startsWithMpegFrames(s.m_reader) && s.openDecoder(s.m_decoder, s.m_reader) && s.takeFormat();
    if (!opened && s.m_rate < 0)
        refusal = "its first frame claims " + std::to_string(-s.m_rate) + " samples a second";
    // Decode the first frames now: a file that opens is known to play, and its first samples are
    // ready for the output before the decoding thread has even started.
    if (opened) {
        s.m_reader.limit(kFirstFrameBytes, deadline);
        opened = s.decodeMore() || !s.m_pending.empty();
        refusal = "its first sound does not decode";
    }
    s.m_reader.unlimit();
    if (!opened)
        return OpenError{MCIERR_INTERNAL, s.m_reader.refusal().empty() ? refusal : s.m_reader.refusal()};

    // The length in the file's samples, the encoder's delay and padding taken off: exact where a
    // LAME tag tells them and the frame count, otherwise guessed from the file's size and the
    // first bit rate (and then measured).
    const off_t samples = mpg123_length(s.m_decoder);
    long encoderDelay = -1;
    mpg123_getstate(s.m_decoder, MPG123_ENC_DELAY, &encoderDelay, nullptr);
    s.m_lengthFrames = samples > 0 ? OutputConverter::outputFrames(s.m_rate, samples) : -1;
    s.m_lengthGuessed = encoderDelay < 0;
    return source;
}

bool MpegAudioSource::openDecoder(mpg123_handle*& handle, FileReader& reader)
{
    handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr)
        return false;
    // Any rate, one or two channels, as 32-bit float. The tags were skipped; any left are not
    // read either, and nothing goes to stderr.
    mpg123_format_none(handle);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
    mpg123_param(handle, MPG123_RESYNC_LIMIT, long(kFirstFrameWindow), 0.0);
    return mpg123_replace_reader_handle(handle, &readCallback, &seekCallback, nullptr) == MPG123_OK &&
           mpg123_open_handle(handle, &reader) == MPG123_OK;
}

// Takes the decoder's current output format; false (and m_rate the negated rate) for one that
// no real file has.
bool MpegAudioSource::takeFormat()
{
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_decoder, &rate, &channels, &encoding) != MPG123_OK)
        return false;
    if (!plausibleFormat(rate, channels) || encoding != MPG123_ENC_FLOAT_32 ||
        !m_converter.setFormat(rate, channels, m_pending.samples())) {
        m_rate = -rate;
        return false;
    }
    m_rate = rate;
    m_channels = channels;
    return true;
}

// Decodes until at least one more frame of audio is pending. Returns false once the file has
// ended (what is still pending stays readable).
bool MpegAudioSource::decodeMore()
{
    m_decoded.resize(kDecodeFloats);
    for (int empty = 0; !m_ended && empty < kMaxEmptyReads; ++empty) {
        std::size_t bytes = 0;
        const int result = mpg123_read(m_decoder, m_decoded.data(), m_decoded.size() * sizeof(float), &bytes);
        if (result == MPG123_NEW_FORMAT && takeFormat())
            continue;
        const std::size_t frames = bytes / sizeof(float) / std::size_t(m_channels);
        m_converter.convert(m_decoded.data(), frames, m_pending.samples());
        if (result != MPG123_OK) {
            // The end (MPG123_DONE), a read error, an abort, or a format no file has: it ends here.
            if (result != MPG123_NEW_FORMAT)
                m_converter.drain(m_pending.samples());
            m_ended = true;
            return false;
        }
        if (frames > 0)
            return true;
    }
    m_ended = true;
    return false;
}

bool MpegAudioSource::rewind()
{
    m_pending.clear();
    m_converter.reset(); // its delay line holds samples of the old position
    m_ended = mpg123_seek(m_decoder, 0, SEEK_SET) < 0;
    return !m_ended;
}

bool MpegAudioSource::measureLength()
{
    // A step reads about 100 KB of an mp3 and decodes none of it: a fraction of a millisecond.
    constexpr int kFramesPerStep = 256;
    if (!m_lengthGuessed)
        return true;
    if (m_measure == nullptr && !openDecoder(m_measure, m_measureReader)) {
        finishMeasure(false); // the guess stays
        return true;
    }
    for (int i = 0; i < kFramesPerStep; ++i) {
        const int result = mpg123_framebyframe_next(m_measure);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            finishMeasure(result == MPG123_DONE && !m_abort.load(std::memory_order_relaxed));
            return true;
        }
        m_measuredSamples += mpg123_spf(m_measure);
    }
    return false;
}

void MpegAudioSource::finishMeasure(bool counted)
{
    if (counted && m_measuredSamples > 0)
        m_lengthFrames = OutputConverter::outputFrames(m_rate, m_measuredSamples);
    mpg123_delete(m_measure);
    m_measure = nullptr;
    m_lengthGuessed = false;
}

} // namespace zuvelo::mci
