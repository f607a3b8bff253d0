#pragma once

#include "DeviceKind.h"
#include "FfmpegLog.h"
#include "FileSource.h"
#include "OpenResult.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVInputFormat;
struct AVPacket;
struct SwrContext;

namespace zuvelo::mci {

// The waveaudio and mpegvideo devices: any file FFmpeg decodes (wav, mp3, mp2, wma), resampled
// to the output's 48 kHz stereo float.
//
// Thread: open() on the user-interface thread; then the FrameSource contract.
class StreamDevice final : public FileSource {
public:
    // Opens path, a regular file that is not empty (the device registry has checked that), as
    // kind (WaveAudio or MpegVideo, which sets the error code and how much is probed), and decodes
    // its first frames, so that a file that opens here plays. Only the kind's own containers are
    // read: RIFF/WAVE (RF64, Wave64) for waveaudio; for mpegvideo ASF when the name ends in "wma",
    // MPEG audio otherwise. Open reads a bounded amount and takes a bounded time (see
    // kHeaderBytes). Content that does not decode in time fails with undecodableError(kind).
    static OpenResult<StreamDevice> open(const std::string& path, DeviceKind kind);
    ~StreamDevice() override;

    bool rewind() override;
    std::int64_t lengthFrames() const override { return m_lengthFrames; }
    bool measureLength() override;

private:
    explicit StreamDevice(const std::string& path);
    bool openInput(AVFormatContext*& format, const AVInputFormat* container, int probeBytes);
    bool openStream(const AVInputFormat* container, int probeBytes);
    bool decodeMore() override;
    bool convertFrame(const AVFrame* frame);
    void drainResampler();
    static int interruptCallback(void* self);

    const std::string m_path;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    SwrContext* m_resampler = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_streamIndex = -1;
    std::int64_t m_skipBytes = 0; // where the audio starts: an mp3's ID3v2 tags are skipped unread
    std::int64_t m_lengthFrames = -1;
    // An MPEG audio file without a header that counts its frames (Xing, VBRI) has its length
    // guessed from the first frames' bit rate, which is far off for variable bit rates: a second
    // demuxer sums the durations of all its packets, and the guess holds until it is done.
    bool m_lengthGuessed = false;
    AVFormatContext* m_measure = nullptr;
    std::int64_t m_measured = 0; // in the stream's time base
    std::int64_t m_frameDuration = 0;   // the last packet's that told one: every MPEG frame lasts as long
    std::int64_t m_untimedPackets = 0;  // packets without a duration (the first one read comes so)

    bool m_inputDone = false; // the demuxer has nothing more; the decoder is being drained

    // The resampler's input format, to notice a change mid-stream.
    int m_resamplerRate = 0;
    int m_resamplerFormat = -1;
    int m_resamplerChannels = 0;

    // While open() runs (its thread only): reads stop past m_byteLimit or after m_deadline.
    bool m_opening = false;
    std::int64_t m_byteLimit = 0;
    std::chrono::steady_clock::time_point m_deadline;

    std::string m_refusal; // why open failed, when it knows better than "not MPEG audio"
    FfmpegLogFile m_log;   // FFmpeg's complaints about this file: one line at most
};

} // namespace zuvelo::mci
