#include "OutputConverter.h"

#include "FrameSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace zuvelo::mci {
namespace {

constexpr int kRisingTaps = 32;
constexpr double kCutoff = 0.97;
constexpr double kKaiserBeta = 9;
constexpr std::int64_t kMaxPhases = 1024;
constexpr int kLanes = 8; // the dot product's partial sums: one vector of AVX, two of SSE
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));

// The modified Bessel function of the first kind, order 0: the Kaiser window's.
double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; term > 1e-12 * sum; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// Where the next output frame lies, in input frames: frame and fraction / up of the next.
struct Position {
    std::int64_t frame;
    std::int64_t fraction;
};

struct Bank {
    const float* rows;
    int stride; // floats a row
    int centre; // the tap at the output frame's own input frame
    std::int64_t phases, up, down;
};

// Filters up to count output frames of two channels (the second the first again for mono) into
// out, as far as the input reaches (available: the frame past the last); returns how many.
[[gnu::always_inline]] inline std::int64_t filterFrames(const Bank& bank, const float* left, const float* right,
                                                        std::int64_t available, Position& at, std::int64_t count,
                                                        float* out)
{
    const std::int64_t step = bank.down / bank.up, stepFraction = bank.down % bank.up;
    std::int64_t made = 0;
    for (; made < count; ++made) {
        std::int64_t frame = at.frame, phase = at.fraction;
        if (bank.phases != bank.up) { // the nearest of the phases there are
            phase = (at.fraction * bank.phases + bank.up / 2) / bank.up;
            if (phase == bank.phases)
                phase = 0, ++frame;
        }
        const std::int64_t start = frame - bank.centre;
        if (start + bank.stride > available)
            break;
        const float* row = bank.rows + phase * bank.stride;
        Lanes sl{}, sr{};
        for (int k = 0; k < bank.stride; k += kLanes) {
            Lanes c, l, r;
            std::memcpy(&c, row + k, sizeof c);
            std::memcpy(&l, left + start + k, sizeof l);
            std::memcpy(&r, right + start + k, sizeof r);
            sl += c * l;
            sr += c * r;
        }
        out[2 * made] = ((sl[0] + sl[4]) + (sl[1] + sl[5])) + ((sl[2] + sl[6]) + (sl[3] + sl[7]));
        out[2 * made + 1] = ((sr[0] + sr[4]) + (sr[1] + sr[5])) + ((sr[2] + sr[6]) + (sr[3] + sr[7]));
        at.frame += step;
        at.fraction += stepFraction;
        if (at.fraction >= bank.up)
            at.fraction -= bank.up, ++at.frame;
    }
    return made;
}

// The same, built for AVX2 too; taken where the processor has it, chosen at the first use (an
// ifunc resolver, as target_clones makes, would run before a sanitizer's runtime is ready).
[[gnu::target("avx2")]] std::int64_t filterAvx2(const Bank& bank, const float* left, const float* right,
                                                std::int64_t available, Position& at, std::int64_t count, float* out)
{
    return filterFrames(bank, left, right, available, at, count, out);
}

std::int64_t filterPlain(const Bank& bank, const float* left, const float* right, std::int64_t available, Position& at,
                         std::int64_t count, float* out)
{
    return filterFrames(bank, left, right, available, at, count, out);
}

} // namespace

bool OutputConverter::setFormat(long rate, int channels, std::vector<float>& out)
{
    if (rate == m_rate && channels == m_channels)
        return true;
    drain(out);
    m_rate = 0;
    if (channels < 1 || channels > kOutputChannels || rate <= 0)
        return false;
    m_rate = rate;
    m_channels = channels;
    m_resampling = rate != kOutputRate;
    if (m_resampling) {
        const std::int64_t common = std::gcd(std::int64_t(rate), std::int64_t(kOutputRate));
        m_up = kOutputRate / common;
        m_down = rate / common;
        m_phases = std::min(m_up, kMaxPhases);
        const double factor = std::min(kOutputRate * kCutoff / double(rate), 1.0); // of the input's Nyquist
        m_taps = int(std::ceil(kRisingTaps / factor));
        m_stride = (m_taps + kLanes - 1) / kLanes * kLanes;
        m_bank.assign(std::size_t(m_phases * m_stride), 0.0f);
        const int centre = (m_taps - 1) / 2;
        std::vector<double> h;
        for (std::int64_t phase = 0; phase < m_phases; ++phase) {
            h.clear();
            for (int k = 0; k < m_taps; ++k) {
                const double t = double(k - centre) - double(phase) / double(m_phases); // in input frames
                const double x = M_PI * t * factor;
                const double w = 2 * t / m_taps;
                h.push_back((x == 0 ? 1.0 : std::sin(x) / x) *
                            besselI0(kKaiserBeta * std::sqrt(std::max(1 - w * w, 0.0))));
            }
            const double sum = std::accumulate(h.begin(), h.end(), 0.0);
            std::transform(h.begin(), h.end(), m_bank.begin() + phase * m_stride,
                           [sum](double v) { return float(v / sum); });
        }
    }
    reset();
    return true;
}

void OutputConverter::reset()
{
    const int centre = (m_taps - 1) / 2;
    for (std::vector<float>& channel : m_history)
        channel.assign(std::size_t(centre), 0.0f);
    m_base = -centre;
    m_inputFrames = 0;
    m_outputFrames = 0;
    m_frame = 0;
    m_fraction = 0;
}

void OutputConverter::convert(const float* in, std::size_t frames, std::vector<float>& out)
{
    if (!m_resampling) {
        append(in, frames, out);
        return;
    }
    const std::size_t at = m_history[0].size();
    for (int c = 0; c < m_channels; ++c)
        m_history[c].resize(at + frames);
    float* __restrict left = m_history[0].data() + at;
    if (m_channels == 1) {
        std::copy(in, in + frames, left);
    } else {
        float* __restrict right = m_history[1].data() + at;
        for (std::size_t i = 0; i < frames; ++i)
            left[i] = in[2 * i], right[i] = in[2 * i + 1];
    }
    m_inputFrames += std::int64_t(frames);
    resample(out, INT64_MAX);
}

void OutputConverter::drain(std::vector<float>& out)
{
    if (!m_resampling || m_rate == 0)
        return;
    // The input mirrored past its end, then silence, until the last output frame's window is full.
    const std::int64_t mirrored = (std::min<std::int64_t>(m_inputFrames, m_taps) + 1) / 2;
    for (int c = 0; c < m_channels; ++c) {
        std::vector<float>& history = m_history[c];
        const std::int64_t end = std::int64_t(history.size());
        for (std::int64_t k = 0; k < mirrored && end - 1 - k >= 0; ++k)
            history.push_back(history[std::size_t(end - 1 - k)]);
        history.resize(history.size() + std::size_t(m_stride), 0.0f);
    }
    resample(out, outputFrames(m_rate, m_inputFrames));
    reset();
}

void OutputConverter::resample(std::vector<float>& out, std::int64_t limit)
{
    const int centre = (m_taps - 1) / 2;
    const std::int64_t available = m_base + std::int64_t(m_history[0].size());
    const std::int64_t most = std::min(limit - m_outputFrames, (available - m_frame + 1) * m_up / m_down + 2);
    if (most <= 0)
        return;
    const std::size_t at = out.size();
    out.resize(at + std::size_t(most) * kOutputChannels);
    Position position{m_frame, m_fraction};
    const Bank bank{m_bank.data(), m_stride, centre, m_phases, m_up, m_down};
    static const auto filter = __builtin_cpu_supports("avx2") ? &filterAvx2 : &filterPlain;
    const std::int64_t made = filter(bank, m_history[0].data() - m_base, m_history[m_channels - 1].data() - m_base,
                                     available, position, most, out.data() + at);
    out.resize(at + std::size_t(made) * kOutputChannels);
    if (m_channels == 1) { // both channels at -3 dB
        for (std::size_t i = at; i < out.size(); ++i)
            out[i] *= float(M_SQRT1_2);
    }
    m_frame = position.frame;
    m_fraction = position.fraction;
    m_outputFrames += made;
    // What no later window reaches is dropped, a block at a time.
    const std::int64_t needed = m_frame - centre - 1;
    if (needed - m_base >= 4096) {
        for (int c = 0; c < m_channels; ++c)
            m_history[c].erase(m_history[c].begin(), m_history[c].begin() + (needed - m_base));
        m_base = needed;
    }
}

std::int64_t OutputConverter::outputFrames(long rate, std::int64_t frames)
{
    return rate == kOutputRate ? frames : (frames * kOutputRate + rate / 2) / rate;
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

} // namespace zuvelo::mci
