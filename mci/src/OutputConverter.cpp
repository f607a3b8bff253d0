#include "OutputConverter.h"

#include "FrameSource.h"

#include <soxr.h>

#include <cmath>

namespace zuvelo::mci {

OutputConverter::~OutputConverter()
{
    soxr_delete(m_resampler);
}

bool OutputConverter::setFormat(long rate, int channels, std::vector<float>& out)
{
    if (rate == m_rate && channels == m_channels)
        return true;
    drain(out);
    soxr_delete(m_resampler);
    m_resampler = nullptr;
    m_rate = 0;
    if (channels < 1 || channels > kOutputChannels || rate <= 0)
        return false;
    if (rate != kOutputRate) {
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t oneThread = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        m_resampler = soxr_create(double(rate), kOutputRate, unsigned(channels), &error, nullptr, &quality, &oneThread);
        if (error != nullptr) {
            soxr_delete(m_resampler);
            m_resampler = nullptr;
            return false;
        }
    }
    m_rate = rate;
    m_channels = channels;
    return true;
}

void OutputConverter::convert(const float* in, std::size_t frames, std::vector<float>& out)
{
    if (m_resampler == nullptr)
        append(in, frames, out);
    else
        resample(in, frames, out);
}

void OutputConverter::drain(std::vector<float>& out)
{
    if (m_resampler != nullptr)
        resample(nullptr, 0, out); // no input: the end
}

void OutputConverter::reset()
{
    if (m_resampler != nullptr)
        soxr_clear(m_resampler);
}

std::int64_t OutputConverter::outputFrames(long rate, std::int64_t frames)
{
    return rate == kOutputRate ? frames : std::int64_t(std::floor(double(frames) * kOutputRate / double(rate) + 0.5));
}

void OutputConverter::append(const float* in, std::size_t frames, std::vector<float>& out) const
{
    if (m_channels == kOutputChannels) {
        out.insert(out.end(), in, in + frames * kOutputChannels);
        return;
    }
    const float kCentre = float(M_SQRT1_2);
    const std::size_t at = out.size();
    out.resize(at + frames * kOutputChannels);
    float* to = out.data() + at;
    for (std::size_t i = 0; i < frames; ++i)
        to[2 * i] = to[2 * i + 1] = in[i] * kCentre;
}

void OutputConverter::resample(const float* in, std::size_t frames, std::vector<float>& out)
{
    // The resampler keeps what does not fit and hands it out at the next call: ask until it has
    // no more for this input (at the end, until it gives nothing).
    const std::size_t room = std::size_t(outputFrames(m_rate, std::int64_t(frames))) + 256;
    for (bool first = true;; first = false) {
        m_resampled.resize(room * std::size_t(m_channels));
        std::size_t made = 0;
        const float* input = in == nullptr ? nullptr : first ? in : in + frames * std::size_t(m_channels);
        soxr_process(m_resampler, input, first ? frames : 0, nullptr, m_resampled.data(), room, &made);
        append(m_resampled.data(), made, out);
        if (made == 0 || (in != nullptr && made < room))
            return;
    }
}

} // namespace zuvelo::mci
