#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace zuvelo::mci {

// A lock-free single-producer, single-consumer ring of stereo float frames.
//
// One thread writes (the device's decoding thread), one reads (the sound output's callback).
// The consumer's role may pass to another thread only through a synchronisation that orders
// the two (the output's channel lock: see PlaybackChannel::seekToStart). Neither side allocates
// or waits. Counters are frame counts since creation, so they never wrap in practice.
class FrameRing {
public:
    explicit FrameRing(std::size_t capacityFrames)
        : m_capacity(capacityFrames),
          m_samples(new float[capacityFrames * 2])
    {
    }

    std::size_t capacityFrames() const { return m_capacity; }

    // Frames ready to read. Either side.
    std::size_t filledFrames() const
    {
        return std::size_t(m_written.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire));
    }

    std::size_t freeFrames() const { return m_capacity - filledFrames(); }

    // Producer: copies up to frames frames in; returns how many fitted.
    std::size_t write(const float* frames, std::size_t count)
    {
        const std::uint64_t written = m_written.load(std::memory_order_relaxed);
        const std::uint64_t read = m_read.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, m_capacity - std::size_t(written - read));
        copyIn(std::size_t(written % m_capacity), frames, n);
        m_written.store(written + n, std::memory_order_release);
        return n;
    }

    // Consumer: copies up to count frames out; returns how many there were.
    std::size_t read(float* frames, std::size_t count)
    {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t written = m_written.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, std::size_t(written - read));
        copyOut(std::size_t(read % m_capacity), frames, n);
        m_read.store(read + n, std::memory_order_release);
        return n;
    }

    // Consumer: drops everything written so far.
    void discard() { m_read.store(m_written.load(std::memory_order_acquire), std::memory_order_release); }

private:
    void copyIn(std::size_t at, const float* from, std::size_t n)
    {
        const std::size_t first = std::min(n, m_capacity - at);
        std::memcpy(&m_samples[at * 2], from, first * 2 * sizeof(float));
        std::memcpy(&m_samples[0], from + first * 2, (n - first) * 2 * sizeof(float));
    }

    void copyOut(std::size_t at, float* to, std::size_t n) const
    {
        const std::size_t first = std::min(n, m_capacity - at);
        std::memcpy(to, &m_samples[at * 2], first * 2 * sizeof(float));
        std::memcpy(to + first * 2, &m_samples[0], (n - first) * 2 * sizeof(float));
    }

    const std::size_t m_capacity;
    std::unique_ptr<float[]> m_samples;
    std::atomic<std::uint64_t> m_written{0};
    std::atomic<std::uint64_t> m_read{0};
};

} // namespace zuvelo::mci
