#pragma once

#include <cstdint>
#include <string>

namespace zuvelo::testing {

// The bytes of a 16-bit mono PCM wave file of `frames` silent frames at 8,000 Hz.
inline std::string silentWave(std::uint32_t frames)
{
    std::string bytes;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += char(value >> (8 * i));
    };
    bytes += "RIFF", put(36 + 2 * frames, 4), bytes += "WAVEfmt ", put(16, 4), put(1, 2), put(1, 2);
    put(8000, 4), put(16000, 4), put(2, 2), put(16, 2), bytes += "data", put(2 * frames, 4);
    return bytes + std::string(2 * frames, '\0');
}

} // namespace zuvelo::testing
