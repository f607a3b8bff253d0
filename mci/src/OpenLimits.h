#pragma once

#include <chrono>
#include <cstdint>

namespace zuvelo::mci {

// Open runs on the caller's user-interface thread, so it must be quick whatever the file holds.
// A damaged or foreign file can make a decoder read and parse a long way looking for a frame (a
// gigabyte of zeros named .mp3 is read to its end by a parser that looks for a frame header).
// Open therefore reads at most this much for the header (an mp3's ID3 tags are not counted: they
// are skipped unread) and then at most this much more for the first frames; a file that needs
// more is unplayable. Real files need a few KB for either.
inline constexpr std::int64_t kHeaderBytes = 16 << 20;
inline constexpr std::int64_t kFirstFrameBytes = 1 << 20;
// And whatever else might stall it: after this long, open gives up.
inline constexpr auto kOpenTimeLimit = std::chrono::milliseconds(500);

// Sample rates and channel counts no real file has. A damaged header can claim a billion samples
// a second, and setting up a resampler for that takes seconds on the caller's thread; such a file
// is refused at open (and ends where a stream switches to such a format).
inline constexpr int kMinSampleRate = 1000;
inline constexpr int kMaxSampleRate = 384000;
inline constexpr int kMaxChannels = 64; // FFmpeg's resampler's own limit

inline bool plausibleFormat(long sampleRate, int channels)
{
    return sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate && channels >= 1 && channels <= kMaxChannels;
}

} // namespace zuvelo::mci
