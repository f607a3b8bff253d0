#pragma once

#include "FileReader.h"
#include "FileSource.h"
#include "OpenResult.h"
#include "OutputConverter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace zuvelo::mci {

// The mpegvideo device's MPEG audio (mp3 and mp2: layers 1 to 3) on libmpg123, without FFmpeg:
// gapless (the encoder's delay and padding, from the LAME tag, taken off), and resampled to the
// output's 48 kHz stereo float.
//
// Thread: open() on the user-interface thread; then the FrameSource contract.
class MpegAudioSource final : public FileSource {
public:
    // Opens path, a regular file that is not empty, as MPEG audio, past its ID3v2 tags (skipped
    // unread), and decodes its first frames, so that a file that opens here plays. Open reads a
    // bounded amount and takes a bounded time (OpenLimits.h); what is not MPEG audio fails with
    // MCIERR_INTERNAL, the mpegvideo device's error for a file it cannot play.
    static OpenResult<MpegAudioSource> open(const std::string& path);
    ~MpegAudioSource() override;

    bool rewind() override;
    std::int64_t lengthFrames() const override { return m_lengthFrames; }
    bool measureLength() override;

private:
    MpegAudioSource(const std::string& path, int fd, std::int64_t audioStart);
    bool openDecoder(mpg123_handle_struct*& handle, FileReader& reader);
    bool decodeMore() override;
    bool takeFormat();
    void finishMeasure(bool counted);

    int m_fd;
    FileReader m_reader;
    mpg123_handle_struct* m_decoder = nullptr;
    OutputConverter m_converter;
    long m_rate = 0;
    int m_channels = 1;
    std::int64_t m_lengthFrames = -1;

    // A file without a header that counts its frames (Xing, VBRI) has its length guessed from the
    // first frame's bit rate, which is far off for variable bit rates: a second decoder walks its
    // frame headers (without decoding them), and the guess holds until it is done.
    bool m_lengthGuessed = false;
    FileReader m_measureReader;
    mpg123_handle_struct* m_measure = nullptr;
    std::int64_t m_measuredSamples = 0; // at the file's rate

    std::vector<float> m_decoded;
};

} // namespace zuvelo::mci
