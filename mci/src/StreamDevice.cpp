#include "StreamDevice.h"

#include "FfmpegLibrary.h"
#include "FfmpegLog.h"
#include "Id3v2Tags.h"
#include "OpenLimits.h"

#include "common/AsciiText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

namespace zuvelo::mci {
namespace {

// Stream probing reads this much at most. Format probing stops as soon as it is sure (the first
// 2 KB for a wav), so for most files the limit only matters for the ones that need a closer look
// (an mp3 behind a large cover picture); the formats we play announce their parameters in their
// header or first frame. But for PCM in a wav, FFmpeg also runs every format probe over the
// first probe-size bytes of audio data (looking for an mp3 or S/PDIF stream mislabelled as PCM),
// at each power of two: 3.5 ms at 256 KB, 9 ms at the default 5 MB, 0.2 ms at 8 KB, which still
// holds several mp3 frames.
constexpr int kProbeBytes = 256 * 1024;
constexpr int kWaveProbeBytes = 8 * 1024;
constexpr const char* kAnalyzeMicroseconds = "200000";

// A damaged header can declare a chunk of gigabytes, which FFmpeg allocates and zeroes before it
// finds the file too short to fill it: a 2 KB wav whose INFO list claims 2 GB took that much memory
// and two seconds to refuse. Nothing a playable file needs comes near the bytes open may read, so
// every FFmpeg allocation of the process is capped well above those; a larger one fails, and with
// it the open.
constexpr std::size_t kLargestFfmpegAllocation = 64 << 20;

void capFfmpegAllocations()
{
    static std::once_flag once;
    std::call_once(once, [] { av_max_alloc(kLargestFfmpegAllocation); });
}

// The containers each kind of device reads, by the file name's tail, the way the platform's
// devices do: never one that FFmpeg's probing guesses from the content (a zeroed wav header
// "is" AMR and decodes to minutes of loud noise).
std::vector<const AVInputFormat*> containersFor(const std::string& path, DeviceKind kind)
{
    std::vector<const char*> names;
    if (kind == DeviceKind::WaveAudio) {
        names = {"wav", "w64"}; // RIFF/WAVE (and RF64, BW64), and Sony's 64-bit Wave64
    } else {
        names = {endsWithIgnoringAsciiCase(path, "wma") ? "asf" : "mp3"}; // mp3 and mp2: MPEG audio, layers 1 to 3
    }
    std::vector<const AVInputFormat*> formats;
    for (const char* name : names) {
        if (const AVInputFormat* format = av_find_input_format(name))
            formats.push_back(format);
    }
    return formats;
}

// What a container that did not open should have held, in a listener's words.
std::string expectedContent(const AVInputFormat* container)
{
    const std::string name = container->name;
    return name == "asf" ? "it is not a WMA file" : name == "mp3" ? "it is not MPEG audio" : "it is not a WAVE file";
}

// A few damaged packets in a row are skipped (some files carry a broken first frame); more
// than this ends the file where it is, as a read error does.
constexpr int kMaxBadPacketsInARow = 4;

} // namespace

StreamDevice::StreamDevice(const std::string& path) : FileSource(path), m_path(path), m_log(path) {}

int StreamDevice::interruptCallback(void* self)
{
    auto* device = static_cast<StreamDevice*>(self);
    if (device->m_abort.load(std::memory_order_relaxed))
        return 1;
    if (!device->m_opening)
        return 0;
    // Called on the opening thread from within FFmpeg's reads, which count what they read.
    const AVIOContext* io = device->m_format != nullptr ? device->m_format->pb : nullptr;
    if (io != nullptr && io->bytes_read > device->m_byteLimit)
        device->m_refusal = "no sound was found where it should begin";
    else if (std::chrono::steady_clock::now() > device->m_deadline)
        device->m_refusal = "it took too long to open";
    else
        return 0;
    return 1;
}

OpenResult<StreamDevice> StreamDevice::open(const std::string& path, DeviceKind kind)
{
    if (!loadFfmpeg()) // said on stderr once; the file is refused as one that does not decode
        return OpenError{undecodableError(kind), "FFmpeg could not be loaded"};
    routeFfmpegLog();
    capFfmpegAllocations();
    const auto deadline = std::chrono::steady_clock::now() + kOpenTimeLimit;
    std::string refusal; // why the first container tried did not open
    for (const AVInputFormat* container : containersFor(path, kind)) {
        std::unique_ptr<StreamDevice> device(new StreamDevice(path));
        device->m_log.holding = true;
        FfmpegLogScope logScope(device->m_log);
        device->m_opening = true;
        device->m_deadline = deadline;
        device->m_byteLimit = kHeaderBytes;
        if (std::strcmp(container->name, "mp3") == 0)
            device->m_skipBytes = id3v2TagBytes(path);
        bool opened = device->openStream(container, kind == DeviceKind::WaveAudio ? kWaveProbeBytes : kProbeBytes);
        // Decode the first frames now: a file that opens is known to play, and its first samples
        // are ready for the output before the decoding thread has even started.
        if (opened) {
            device->m_byteLimit = device->m_format->pb->bytes_read + kFirstFrameBytes;
            opened = device->decodeMore() || !device->m_pending.empty();
            if (!opened && device->m_refusal.empty())
                device->m_refusal = "its first sound does not decode";
        }
        device->m_log.holding = false;
        if (opened) {
            device->m_opening = false;
            if (!device->m_log.held.empty()) // what FFmpeg found wrong with a file that plays
                sayOncePerFile(path, device->m_log.held);
            return device;
        }
        if (refusal.empty()) {
            const std::string& held = device->m_log.held;
            refusal = (device->m_refusal.empty() ? expectedContent(container) : device->m_refusal) +
                      (held.empty() ? "" : " (" + held + ")");
        }
    }
    return OpenError{undecodableError(kind), refusal};
}

// Opens the file into format (null on failure), from m_skipBytes on, reads cut short by the
// interrupt callback.
bool StreamDevice::openInput(AVFormatContext*& format, const AVInputFormat* container, int probeBytes)
{
    format = avformat_alloc_context();
    if (format == nullptr)
        return false;
    format->interrupt_callback.callback = &StreamDevice::interruptCallback;
    format->interrupt_callback.opaque = this;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "probesize", probeBytes, 0);
    av_dict_set(&options, "analyzeduration", kAnalyzeMicroseconds, 0);
    av_dict_set_int(&options, "skip_initial_bytes", m_skipBytes, 0);
    const int opened = avformat_open_input(&format, m_path.c_str(), container, &options);
    av_dict_free(&options);
    return opened >= 0; // on failure avformat_open_input has freed it
}

bool StreamDevice::openStream(const AVInputFormat* container, int probeBytes)
{
    if (!openInput(m_format, container, probeBytes))
        return false;
    const std::int64_t dataStart = avio_tell(m_format->pb); // where a wav's data begins

    const AVCodec* decoder = nullptr;
    m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    const AVCodecParameters* parameters = m_streamIndex >= 0 ? m_format->streams[m_streamIndex]->codecpar : nullptr;
    const bool complete = parameters != nullptr && decoder != nullptr && parameters->sample_rate > 0 &&
                          parameters->ch_layout.nb_channels > 0;
    if (!complete) {
        // The header did not say everything: let FFmpeg look at the first packets.
        if (avformat_find_stream_info(m_format, nullptr) < 0)
            return false;
        m_streamIndex = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_streamIndex < 0 || decoder == nullptr)
            return false;
    }
    for (unsigned i = 0; i < m_format->nb_streams; ++i) {
        if (int(i) != m_streamIndex)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    }

    const AVStream* stream = m_format->streams[m_streamIndex];
    if (!plausibleFormat(stream->codecpar->sample_rate, stream->codecpar->ch_layout.nb_channels)) {
        m_refusal = "its header claims " + std::to_string(stream->codecpar->sample_rate) + " samples a second in " +
                    std::to_string(stream->codecpar->ch_layout.nb_channels) + " channels";
        return false;
    }
    m_codec = avcodec_alloc_context3(decoder);
    if (m_codec == nullptr || avcodec_parameters_to_context(m_codec, stream->codecpar) < 0 ||
        avcodec_open2(m_codec, decoder, nullptr) < 0)
        return false;
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (m_frame == nullptr || m_packet == nullptr)
        return false;

    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        m_lengthFrames = av_rescale_q(stream->duration, stream->time_base, AVRational{1, kOutputRate});
    else if (m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0)
        m_lengthFrames = av_rescale(m_format->duration, kOutputRate, AV_TIME_BASE);
    m_lengthGuessed = m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    // A recorder that streams cannot know the data's size when it writes the header, and leaves
    // it 0 or 0xFFFFFFFF: PCM data then runs to the end of the file, which gives the length.
    const std::int64_t frameBytes =
        std::int64_t(av_get_bits_per_sample(m_codec->codec_id)) / 8 * m_codec->ch_layout.nb_channels;
    const std::int64_t fileBytes = avio_size(m_format->pb);
    if (m_lengthFrames < 0 && frameBytes > 0 && fileBytes > dataStart)
        m_lengthFrames = av_rescale((fileBytes - dataStart) / frameBytes, kOutputRate, m_codec->sample_rate);
    return true;
}

bool StreamDevice::measureLength()
{
    // A step reads about 100 KB of an mp3: a fraction of a millisecond from the disk's cache.
    constexpr int kPacketsPerStep = 256;
    if (!m_lengthGuessed)
        return true;
    FfmpegLogScope logScope(m_log);
    if (m_measure == nullptr && !openInput(m_measure, m_format->iformat, kProbeBytes)) {
        m_lengthGuessed = false; // the guess stays
        return true;
    }
    AVPacket* packet = m_packet; // free between the decoding thread's reads
    for (int i = 0; i < kPacketsPerStep; ++i) {
        if (av_read_frame(m_measure, packet) < 0) {
            if (!m_abort.load(std::memory_order_relaxed))
                m_lengthFrames = av_rescale_q(m_measured + m_untimedPackets * m_frameDuration,
                                              m_format->streams[m_streamIndex]->time_base, {1, kOutputRate});
            avformat_close_input(&m_measure);
            m_lengthGuessed = false;
            return true;
        }
        if (packet->stream_index == m_streamIndex && packet->duration > 0)
            m_measured += packet->duration, m_frameDuration = packet->duration;
        else if (packet->stream_index == m_streamIndex)
            ++m_untimedPackets;
        av_packet_unref(packet);
    }
    return false;
}

StreamDevice::~StreamDevice()
{
    FfmpegLogScope logScope(m_log);
    avformat_close_input(&m_measure);
    swr_free(&m_resampler);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
    avformat_close_input(&m_format);
}

bool StreamDevice::convertFrame(const AVFrame* frame)
{
    const int channels = frame->ch_layout.nb_channels;
    if (!plausibleFormat(frame->sample_rate, channels))
        return false;
    if (m_resampler == nullptr || frame->sample_rate != m_resamplerRate || frame->format != m_resamplerFormat ||
        channels != m_resamplerChannels) {
        if (m_resampler != nullptr)
            drainResampler();
        swr_free(&m_resampler);
        AVChannelLayout inLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout, channels);
        else if (av_channel_layout_copy(&inLayout, &frame->ch_layout) < 0)
            return false;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        const int made = swr_alloc_set_opts2(&m_resampler, &stereo, AV_SAMPLE_FMT_FLT, kOutputRate, &inLayout,
                                             AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        // Float output has no ceiling of its own, so FFmpeg would fold surround channels into two at
        // full weight (5.1 reaches 2.4 times full scale, which the guard then clips); scaled so that
        // no output channel's weights add up to more than one, a downmix stays undistorted.
        if (made >= 0)
            av_opt_set_double(m_resampler, "rematrix_maxval", 1.0, 0);
        if (made < 0 || swr_init(m_resampler) < 0) {
            swr_free(&m_resampler);
            return false;
        }
        m_resamplerRate = frame->sample_rate;
        m_resamplerFormat = frame->format;
        m_resamplerChannels = channels;
    }

    const int room = swr_get_out_samples(m_resampler, frame->nb_samples);
    if (room < 0)
        return false;
    std::vector<float>& pending = m_pending.samples();
    const std::size_t oldSize = pending.size();
    pending.resize(oldSize + std::size_t(room) * kOutputChannels);
    auto* out = reinterpret_cast<uint8_t*>(pending.data() + oldSize);
    const int converted =
        swr_convert(m_resampler, &out, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    pending.resize(oldSize + std::size_t(std::max(converted, 0)) * kOutputChannels);
    return converted >= 0;
}

void StreamDevice::drainResampler()
{
    if (m_resampler == nullptr)
        return;
    const int room = swr_get_out_samples(m_resampler, 0);
    if (room <= 0)
        return;
    std::vector<float>& pending = m_pending.samples();
    const std::size_t oldSize = pending.size();
    pending.resize(oldSize + std::size_t(room) * kOutputChannels);
    auto* out = reinterpret_cast<uint8_t*>(pending.data() + oldSize);
    const int converted = swr_convert(m_resampler, &out, room, nullptr, 0);
    pending.resize(oldSize + std::size_t(std::max(converted, 0)) * kOutputChannels);
}

// Decodes until at least one more frame of audio is pending. Returns false once the file has
// ended (what is still pending stays readable).
bool StreamDevice::decodeMore()
{
    FfmpegLogScope logScope(m_log);
    int badPackets = 0;
    while (!m_ended) {
        const int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == 0) {
            const bool converted = convertFrame(m_frame);
            av_frame_unref(m_frame);
            if (!converted) {
                m_ended = true; // a format the resampler refuses: end here
                return false;
            }
            return true;
        }
        if (received != AVERROR(EAGAIN)) {
            // The decoder is drained (AVERROR_EOF) or failed: the file ends here.
            drainResampler();
            m_ended = true;
            return false;
        }
        if (m_inputDone) {
            m_ended = true;
            return false;
        }
        const int readResult = av_read_frame(m_format, m_packet);
        if (readResult < 0) {
            // End of file, a read error or an abort: drain what the decoder holds.
            m_inputDone = true;
            avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet);
            continue;
        }
        const int sent = avcodec_send_packet(m_codec, m_packet);
        av_packet_unref(m_packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            if (++badPackets > kMaxBadPacketsInARow) {
                m_inputDone = true;
                avcodec_send_packet(m_codec, nullptr);
            }
        } else {
            badPackets = 0;
        }
    }
    return false;
}

bool StreamDevice::rewind()
{
    FfmpegLogScope logScope(m_log);
    m_pending.clear();
    const AVStream* stream = m_format->streams[m_streamIndex];
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (av_seek_frame(m_format, m_streamIndex, start, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(m_format, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) < 0) {
        m_ended = true;
        return false;
    }
    avcodec_flush_buffers(m_codec);
    swr_free(&m_resampler); // its delay line holds samples of the old position
    m_inputDone = false;
    m_ended = false;
    return true;
}

} // namespace zuvelo::mci
