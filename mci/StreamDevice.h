#pragma once

#include "FrameSource.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace zuvelo::mci {

// The waveaudio and mpegvideo devices: any file FFmpeg decodes (wav, mp3, mp2, wma), resampled
// to the output's 48 kHz stereo float.
//
// Thread: open() on the user-interface thread; then the FrameSource contract.
class StreamDevice final : public FrameSource {
public:
    // The device kind the file was opened as: it sets the error code and how much is probed.
    enum class Kind { WaveAudio, MpegVideo };

    // Opens path and decodes its first frames, so that a file that opens here plays. On failure
    // returns null and sets error: MCIERR_FILE_NOT_FOUND for a missing file, otherwise (a folder,
    // an empty file, content FFmpeg cannot decode) MCIERR_INVALID_FILE for waveaudio and
    // MCIERR_INTERNAL for mpegvideo.
    static std::unique_ptr<StreamDevice> open(const std::string& path, Kind kind, unsigned long& error);
    ~StreamDevice() override;

    std::size_t read(float* interleavedStereo, std::size_t frames) override;
    bool rewind() override;
    std::int64_t lengthFrames() const override { return m_lengthFrames; }
    void requestAbort() override { m_abort.store(true, std::memory_order_relaxed); }

private:
    StreamDevice() = default;
    bool openInput(const std::string& path, int probeBytes);
    bool decodeMore();
    bool convertFrame(const AVFrame* frame);
    void drainResampler();
    static int interruptCallback(void* self);

    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    SwrContext* m_resampler = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_streamIndex = -1;
    std::int64_t m_lengthFrames = -1;

    // Decoded and resampled frames not yet handed out; m_pendingOffset floats are used up.
    std::vector<float> m_pending;
    std::size_t m_pendingOffset = 0;
    bool m_inputDone = false; // the demuxer has nothing more; the decoder is being drained
    bool m_ended = false;     // the decoder and resampler are drained

    // The resampler's input format, to notice a change mid-stream.
    int m_resamplerRate = 0;
    int m_resamplerFormat = -1;
    int m_resamplerChannels = 0;

    std::atomic<bool> m_abort{false};
};

} // namespace zuvelo::mci
