#pragma once

#include "FrameSource.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace zuvelo::mci {

// A decoder's converted frames (48 kHz stereo float) not yet read out: the decoder appends a
// piece at a time, read() hands them out and asks for more when they run out.
class PendingFrames {
public:
    // Where the decoder appends.
    std::vector<float>& samples() { return m_samples; }
    bool empty() const { return m_samples.size() == m_offset; }
    void clear()
    {
        m_samples.clear();
        m_offset = 0;
    }

    // Copies up to frames frames into interleavedStereo, calling decodeMore() (false once the
    // file has ended) whenever none are left, until abort is set. Returns how many were copied.
    template <class DecodeMore>
    std::size_t read(float* interleavedStereo, std::size_t frames, const std::atomic<bool>& abort,
                     DecodeMore decodeMore)
    {
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t available = (m_samples.size() - m_offset) / kOutputChannels;
            if (available == 0) {
                clear();
                if (abort.load(std::memory_order_relaxed) || (!decodeMore() && empty()))
                    break;
                continue;
            }
            const std::size_t n = std::min(available, frames - done);
            std::memcpy(interleavedStereo + done * kOutputChannels, m_samples.data() + m_offset,
                        n * kOutputChannels * sizeof(float));
            m_offset += n * kOutputChannels;
            done += n;
        }
        return done;
    }

private:
    std::vector<float> m_samples;
    std::size_t m_offset = 0; // floats used up
};

} // namespace zuvelo::mci
