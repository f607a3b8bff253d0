#pragma once

#include "FileReader.h"
#include "FileSource.h"
#include "OutputConverter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zuvelo::mci {

// The waveaudio device's plain wav files without FFmpeg: RIFF/WAVE holding PCM of 8, 16, 24 or
// 32 bits or IEEE float of 32 or 64, in one or two channels (also as WAVE_FORMAT_EXTENSIBLE),
// at any plausible rate, resampled to the output's 48 kHz stereo float. Every other wav (other
// encodings, more channels, RF64, Wave64, headers this reader does not follow) is FFmpeg's.
//
// Thread: open() on the user-interface thread; then the FrameSource contract.
class WaveSource final : public FileSource {
public:
    // Opens path as a plain wav and decodes its first frames; null when it is no such file, which
    // FFmpeg then opens. Open reads a few chunk headers, never the chunks it passes over.
    static std::unique_ptr<WaveSource> open(const std::string& path);
    ~WaveSource() override;

    bool rewind() override;
    std::int64_t lengthFrames() const override { return m_lengthFrames; }

    // The sample encodings taken: PCM (unsigned 8 bits, signed 16, 24, 32) and IEEE float.
    enum class Encoding { Pcm, Float };

private:
    WaveSource(const std::string& path, int fd);
    bool readHeader();
    bool decodeMore() override;

    int m_fd;
    FileReader m_reader;
    OutputConverter m_converter;
    Encoding m_encoding = Encoding::Pcm;
    int m_channels = 0;
    int m_bytesPerSample = 0;
    long m_rate = 0;
    std::int64_t m_dataStart = 0;
    std::int64_t m_dataBytes = 0; // whole frames only
    std::int64_t m_dataRead = 0;
    std::int64_t m_lengthFrames = -1;

    std::vector<unsigned char> m_raw;
    std::vector<float> m_decoded;
};

} // namespace zuvelo::mci
