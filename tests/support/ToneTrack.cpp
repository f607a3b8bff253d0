#include "ToneTrack.h"

#include <array>
#include <cmath>
#include <fstream>

namespace zuvelo::testing {

std::vector<double> toneSequence(const std::string& rawFile, const std::vector<double>& candidates)
{
    constexpr int kRate = 48000;
    constexpr int kWindow = kRate / 20;
    constexpr double kSilence = 0.01; // RMS below this is silence (the tones are about 0.09)
    std::ifstream in(rawFile, std::ios::binary);
    std::vector<float> left;
    std::array<float, 2> frame{};
    while (in.read(reinterpret_cast<char*>(frame.data()), sizeof frame))
        left.push_back(frame[0]);

    std::vector<double> labels;
    for (std::size_t start = 0; start + kWindow <= left.size(); start += kWindow) {
        double energy = 0;
        for (int i = 0; i < kWindow; ++i)
            energy += double(left[start + i]) * left[start + i];
        if (std::sqrt(energy / kWindow) < kSilence) {
            labels.push_back(0);
            continue;
        }
        // Goertzel power of each candidate.
        double best = 0, bestPower = 0, secondPower = 0;
        for (double f : candidates) {
            const double coefficient = 2 * std::cos(2 * M_PI * f / kRate);
            double s1 = 0, s2 = 0;
            for (int i = 0; i < kWindow; ++i) {
                const double s0 = left[start + i] + coefficient * s1 - s2;
                s2 = s1;
                s1 = s0;
            }
            const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
            if (power > bestPower) {
                secondPower = bestPower;
                bestPower = power;
                best = f;
            } else if (power > secondPower) {
                secondPower = power;
            }
        }
        labels.push_back(bestPower > 10 * secondPower ? best : 0);
    }

    std::vector<double> tones;
    for (std::size_t i = 0; i < labels.size();) {
        std::size_t j = i;
        while (j < labels.size() && labels[j] == labels[i])
            ++j;
        if (labels[i] != 0 && j - i >= 3 && (tones.empty() || tones.back() != labels[i]))
            tones.push_back(labels[i]);
        i = j;
    }
    return tones;
}

int SoundStarts::count()
{
    constexpr int kFrames = 480; // 10 ms at 48 kHz
    constexpr double kSilence = 0.01;
    std::vector<float> window(2 * kFrames);
    const auto bytes = static_cast<std::streamsize>(window.size() * sizeof(float));
    std::ifstream in(m_file, std::ios::binary);
    in.seekg(m_offset);
    while (in.read(reinterpret_cast<char*>(window.data()), bytes)) {
        m_offset += bytes;
        double energy = 0;
        for (int i = 0; i < kFrames; ++i)
            energy += double(window[2 * i]) * window[2 * i];
        if (std::sqrt(energy / kFrames) < kSilence) {
            ++m_silentWindows;
            continue;
        }
        if (m_silentWindows >= 2)
            ++m_count;
        m_silentWindows = 0;
    }
    return m_count;
}

} // namespace zuvelo::testing
