#pragma once

#include <cstdint>
#include <string>

namespace zuvelo::testing {

// A 16-bit mono PCM wave file of `frames` frames at 8 kHz: silence, or a square wave of `hertz`.
inline std::string waveFile(std::uint32_t frames, std::uint32_t hertz = 0)
{
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += char(value >> (8 * i));
    };
    bytes += "RIFF", put(36 + 2 * frames, 4), bytes += "WAVEfmt ", put(16, 4), put(1, 2), put(1, 2);
    put(8000, 4), put(16000, 4), put(2, 2), put(16, 2), bytes += "data", put(2 * frames, 4);
    for (std::uint32_t i = 0; i < frames; ++i)
        put(hertz == 0 ? 0 : i * 2 * hertz / 8000 % 2 ? 0xE000 : 0x2000, 2);
    return bytes;
}

} // namespace zuvelo::testing
