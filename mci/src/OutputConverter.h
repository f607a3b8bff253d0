#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zuvelo::mci {

// Brings decoded mono or stereo float audio at any plausible rate to the output's 48 kHz stereo,
// for the decoders that do without FFmpeg. Mono goes to both channels at -3 dB each, as FFmpeg's
// resampler places a centre channel, so that a file sounds the same whichever decoder plays it.
//
// Other rates are resampled the way FFmpeg's resampler does by default, at the same cost: a
// polyphase filter bank of windowed sincs (Kaiser, beta 9), 32 taps when rising, more when
// falling, cut off at the lower rate's Nyquist frequency (97 % of it when falling); a phase for
// every output position when the rates' ratio has at most 1024 of them, else the nearest of 1024.
// Its delay is taken out, the file is taken to continue mirrored past its end, and a file of n
// frames at rate r gives n * 48000 / r of them, rounded to the nearest. (libsoxr did as well at
// twice the CPU; libsyn123's resampler has a delay of its own and cost seven times as much.)
class OutputConverter {
public:
    // The format of what convert() is given from now on; what the old format left in the
    // resampler is appended to out first. False for more than two channels or a rate of 0.
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
    // Appends every output frame whose filter window the input reaches, up to limit in all.
    void resample(std::vector<float>& out, std::int64_t limit);

    long m_rate = 0;
    int m_channels = 0;
    bool m_resampling = false;
    // The filter bank: m_phases rows of m_stride coefficients (m_taps of them, then zeros).
    std::vector<float> m_bank;
    int m_taps = 0;
    int m_stride = 0;
    std::int64_t m_phases = 0;
    std::int64_t m_up = 0; // output frame j lies at input frame j * m_down / m_up
    std::int64_t m_down = 0;
    // The input of each channel from input frame m_base on (negative: the silence before).
    std::vector<float> m_history[2];
    std::int64_t m_base = 0;
    std::int64_t m_inputFrames = 0;
    std::int64_t m_outputFrames = 0;
    // Where the next output frame lies: input frame m_frame and m_fraction / m_up of the next.
    std::int64_t m_frame = 0;
    std::int64_t m_fraction = 0;
};

} // namespace zuvelo::mci
