#include "Recording.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zuvelo::testing {
namespace {

constexpr int kRate = 48000;
constexpr double kSilence = 0.01; // RMS below this is silence; the test tones are about 0.09

// The root mean square of the left channel over frames [first, first + count).
double leftRms(const std::vector<float>& samples, std::size_t first, std::size_t count)
{
    double energy = 0;
    for (std::size_t i = first; i < first + count; ++i)
        energy += double(samples[2 * i]) * samples[2 * i];
    return std::sqrt(energy / double(count));
}

// Goertzel's power of frequency on the left channel over frames [first, first + count).
double power(const std::vector<float>& samples, std::size_t first, std::size_t count, double frequency)
{
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        const double s0 = samples[2 * i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

} // namespace

std::vector<float> readFloats(const std::string& file, std::uintmax_t fromByte)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in.seekg(std::streamoff(fromByte))), {}};
    std::vector<float> samples(bytes.size() / sizeof(float));
    if (!samples.empty()) // memcpy may not be given the null data() of an empty vector
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

const std::vector<float>& Recording::samples()
{
    std::ifstream in(m_file, std::ios::binary);
    in.seekg(m_offset);
    float frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) {
        m_offset += std::streamoff(sizeof frame);
        m_samples.insert(m_samples.end(), frame, frame + 2);
    }
    return m_samples;
}

std::vector<double> Recording::tones(const std::vector<double>& candidates)
{
    constexpr std::size_t kWindow = kRate / 20;
    const std::vector<float>& s = samples();
    std::vector<double> tones;
    double run = 0;
    int runLength = 0;
    for (std::size_t first = 0; first + kWindow <= s.size() / 2; first += kWindow) {
        double best = 0, bestPower = 0, secondPower = 0;
        for (double f : leftRms(s, first, kWindow) < kSilence ? std::vector<double>{} : candidates) {
            const double p = power(s, first, kWindow, f);
            secondPower = std::max(secondPower, std::min(p, bestPower));
            if (p > bestPower)
                bestPower = p, best = f;
        }
        const double label = bestPower > 10 * secondPower ? best : 0;
        runLength = label == run ? runLength + 1 : 1;
        run = label;
        if (label != 0 && runLength == 3 && (tones.empty() || tones.back() != label))
            tones.push_back(label);
    }
    return tones;
}

} // namespace zuvelo::testing
