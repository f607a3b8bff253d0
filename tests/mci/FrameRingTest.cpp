// The lock-free ring between a decoding thread and the output callback.

#include "FrameRing.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zuvelo::mci {
namespace {

TEST(FrameRing, keepsFramesInOrderAcrossWrapsBetweenTwoThreads)
{
    // A small ring and chunk sizes that do not divide it, so that reads and writes wrap at every
    // offset; frame i holds (i, -i).
    FrameRing ring(1000);
    constexpr std::size_t kTotal = 200000;
    std::thread producer([&] {
        std::vector<float> chunk(2 * 333);
        std::size_t next = 0;
        while (next < kTotal) {
            const std::size_t n = std::min<std::size_t>(333, kTotal - next);
            for (std::size_t i = 0; i < n; ++i) {
                chunk[2 * i] = float(next + i);
                chunk[2 * i + 1] = -float(next + i);
            }
            std::size_t written = 0;
            while (written < n) {
                written += ring.write(chunk.data() + 2 * written, n - written);
                if (written < n)
                    std::this_thread::yield();
            }
            next += n;
        }
    });

    std::vector<float> out(2 * 457);
    std::size_t expected = 0;
    std::size_t mismatches = 0;
    while (expected < kTotal) {
        const std::size_t got = ring.read(out.data(), 457);
        ASSERT_LE(got, 457u);
        for (std::size_t i = 0; i < got; ++i, ++expected) {
            if (out[2 * i] != float(expected) || out[2 * i + 1] != -float(expected))
                ++mismatches;
        }
        if (got == 0)
            std::this_thread::yield();
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(ring.filledFrames(), 0u);
}

TEST(FrameRing, writeTakesOnlyWhatFits_andDiscardEmptiesIt)
{
    FrameRing ring(4);
    const float frames[] = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6};
    EXPECT_EQ(ring.write(frames, 3), 3u);
    EXPECT_EQ(ring.write(frames + 6, 3), 1u); // one free frame left
    EXPECT_EQ(ring.freeFrames(), 0u);

    float out[8] = {};
    EXPECT_EQ(ring.read(out, 2), 2u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[3], -2);
    EXPECT_EQ(ring.write(frames + 8, 2), 2u); // wraps
    ring.discard();
    EXPECT_EQ(ring.filledFrames(), 0u);
    EXPECT_EQ(ring.read(out, 4), 0u);
    EXPECT_EQ(ring.write(frames, 4), 4u);
    EXPECT_EQ(ring.read(out, 4), 4u);
    EXPECT_EQ(out[6], 4);
}

} // namespace
} // namespace zuvelo::mci
