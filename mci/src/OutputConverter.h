#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

namespace zuvelo::mci {

// Brings decoded mono or stereo float audio at any plausible rate to the output's 48 kHz stereo,
// for the decoders that do without FFmpeg. Mono goes to both channels at -3 dB each, as FFmpeg's
// resampler places a centre channel, so that a file sounds the same whichever decoder plays it.
// Other rates go through libsoxr, whose filter is linear in phase and whose delay is taken out:
// the output is FFmpeg's own resampling to within a millionth but for a few frames at the ends,
// and a file of n frames at rate r gives n * 48000 / r of them, rounded to the nearest.
class OutputConverter {
public:
    OutputConverter() = default;
    ~OutputConverter();
    OutputConverter(const OutputConverter&) = delete;
    OutputConverter& operator=(const OutputConverter&) = delete;

    // The format of what convert() is given from now on; what the old format left in the
    // resampler is appended to out first. False for more than two channels or a rate the
    // resampler refuses.
    bool setFormat(long rate, int channels, std::vector<float>& out);
    // Appends frames interleaved frames of the set format to out, converted.
    void convert(const float* in, std::size_t frames, std::vector<float>& out);
    // At the end of the input: appends the resampler's last frames to out.
    void drain(std::vector<float>& out);
    // Forgets what went before (after a seek).
    void reset();

    // How many output frames a piece of frames input frames at rate gives.
    static std::int64_t outputFrames(long rate, std::int64_t frames);

private:
    void append(const float* in, std::size_t frames, std::vector<float>& out) const;
    void resample(const float* in, std::size_t frames, std::vector<float>& out);

    soxr* m_resampler = nullptr; // null at the output's rate
    long m_rate = 0;
    int m_channels = 0;
    std::vector<float> m_resampled; // the resampler's output, before mono is spread to two channels
};

} // namespace zuvelo::mci
