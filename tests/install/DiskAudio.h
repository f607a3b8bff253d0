#pragma once

#include <array>
#include <cmath>
#include <fstream>
#include <string>

namespace zuvelo::testing {

// True when the raw output of SDL's disk driver (48 kHz stereo 32-bit float, as the media layer
// opens it) holds at least one 50 ms stretch of sound. The driver writes exact zeros while
// nothing plays, so any audible level counts. The file may still be growing.
inline bool hasSound(const std::string& rawFile)
{
    constexpr int kWindowFrames = 48000 / 20;
    constexpr double kAudibleRms = 0.003;
    std::ifstream in(rawFile, std::ios::binary);
    std::array<float, 2> frame{};
    double energy = 0;
    int frames = 0;
    while (in.read(reinterpret_cast<char*>(frame.data()), sizeof frame)) {
        energy += double(frame[0]) * frame[0] + double(frame[1]) * frame[1];
        if (++frames == kWindowFrames) {
            if (std::sqrt(energy / (2.0 * kWindowFrames)) > kAudibleRms)
                return true;
            energy = 0;
            frames = 0;
        }
    }
    return false;
}

} // namespace zuvelo::testing
