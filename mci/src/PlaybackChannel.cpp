#include "PlaybackChannel.h"

#include "SampleGuard.h"
#include "SoundOutput.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace zuvelo::mci {

PlaybackChannel::PlaybackChannel(std::unique_ptr<FrameSource> source, SoundOutput& output)
    : m_source(std::move(source)),
      m_output(output),
      m_lengthFrames(m_source->lengthFrames())
{
    m_status.lengthFrames = m_lengthFrames;
    // Decode the first chunk here, before play can come: the first callback after play then
    // finds sound, not an empty ring.
    std::vector<float> chunk(kChunkFrames * kOutputChannels);
    const std::size_t got = readSource(chunk.data(), kChunkFrames);
    m_ring.write(chunk.data(), got);
    const bool ended = got < kChunkFrames;
    m_endWritten.store(ended, std::memory_order_release);
    m_thread = std::thread([this, ended] { decodeLoop(ended); });
}

PlaybackChannel::~PlaybackChannel()
{
    m_output.detach(this);
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_source->requestAbort();
    m_wake.release();
    m_thread.join();
}

std::size_t PlaybackChannel::readSource(float* frames, std::size_t count)
{
    const std::size_t got = m_source->read(frames, count);
    guardSamples(frames, got * kOutputChannels);
    return got;
}

void PlaybackChannel::decodeLoop(bool sourceEnded)
{
    std::vector<float> chunk(kChunkFrames * kOutputChannels);
    bool lengthFinal = false;
    for (;;) {
        // Cleared before looking at the ring, so a callback that drains it after this point
        // wakes us again.
        m_wakeRequested.store(false, std::memory_order_seq_cst);
        std::uint64_t generation = 0;
        bool seek = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_quit)
                return;
            seek = std::exchange(m_seekPending, false);
            generation = m_generation;
        }
        if (seek) {
            sourceEnded = !m_source->rewind();
            if (sourceEnded) {
                std::lock_guard lock(m_mutex);
                if (generation == m_generation)
                    m_endWritten.store(true, std::memory_order_release);
            }
        }
        if (sourceEnded || m_ring.freeFrames() < kChunkFrames) {
            if (!lengthFinal && (lengthFinal = m_source->measureLength())) {
                std::lock_guard lock(m_statusMutex);
                m_lengthFrames = m_source->lengthFrames();
                if (!m_finished.load(std::memory_order_relaxed))
                    m_status.lengthFrames = m_lengthFrames; // at the end, the end is where it was
            }
            if (lengthFinal)
                m_wake.acquire();
            continue;
        }

        const std::size_t got = readSource(chunk.data(), kChunkFrames);
        const bool ended = got < kChunkFrames;
        {
            std::lock_guard lock(m_mutex);
            if (generation != m_generation)
                continue; // decoded before a seek: dropped, and the seek is pending
            m_ring.write(chunk.data(), got);
            if (ended)
                m_endWritten.store(true, std::memory_order_release);
        }
        sourceEnded = ended;
    }
}

std::size_t PlaybackChannel::fill(float* interleavedStereo, std::size_t frames)
{
    if (m_finished.load(std::memory_order_relaxed))
        return 0;
    std::size_t got = m_ring.read(interleavedStereo, frames);
    bool ranDry = false;
    bool endTaken = false;
    if (got < frames) {
        // Read the end flag first: everything the decoder wrote before setting it is then visible.
        const bool endWritten = m_endWritten.load(std::memory_order_acquire);
        got += m_ring.read(interleavedStereo + got * kOutputChannels, frames - got);
        ranDry = got < frames;
        endTaken = ranDry && endWritten;
    }
    {
        std::lock_guard lock(m_statusMutex);
        // Ran dry in the middle; right after a seek it is still starting.
        if (ranDry && !endTaken && m_status.positionFrames + std::int64_t(got) > 0)
            countUnderrun();
        m_status.positionFrames += std::int64_t(got);
        if (got > 0 && !m_firstFrameTakenAt)
            m_firstFrameTakenAt = std::chrono::steady_clock::now();
        if (endTaken) {
            m_status.mode = PlayMode::Stopped;
            m_status.lengthFrames = m_status.positionFrames; // the end is where it actually was
            m_finished.store(true, std::memory_order_release);
        }
    }
    if (m_ring.filledFrames() < kLowWaterFrames && !m_endWritten.load(std::memory_order_relaxed) &&
        !m_wakeRequested.exchange(true, std::memory_order_seq_cst))
        m_wake.release();
    return got;
}

std::size_t PlaybackChannel::readyFrames() const
{
    // The end flag first: the ring then holds everything up to the end.
    return m_endWritten.load(std::memory_order_acquire) ? SIZE_MAX : m_ring.filledFrames();
}

unsigned long PlaybackChannel::play()
{
    PlayMode before;
    {
        std::lock_guard lock(m_statusMutex);
        before = m_status.mode;
        if (before == PlayMode::Playing)
            return 0;
        if (m_finished.load(std::memory_order_relaxed)) {
            m_status.mode = PlayMode::Stopped; // at the end: nothing to play
            return 0;
        }
        // Before attaching: from then on the callback may reach the end and stop it at once.
        m_status.mode = PlayMode::Playing;
    }
    const unsigned long error = m_output.attach(this);
    if (error != 0) {
        std::lock_guard lock(m_statusMutex);
        m_status.mode = before;
    }
    return error;
}

void PlaybackChannel::pause()
{
    m_output.detach(this, true);
    std::lock_guard lock(m_statusMutex);
    // The end may have come just before the detach: a finished channel is stopped.
    m_status.mode = m_finished.load(std::memory_order_relaxed) ? PlayMode::Stopped : PlayMode::Paused;
}

void PlaybackChannel::stop()
{
    m_output.detach(this, true);
    std::lock_guard lock(m_statusMutex);
    m_status.mode = PlayMode::Stopped;
}

void PlaybackChannel::seekToStart()
{
    // Detached, the callback no longer reads the ring, so this thread may act as its consumer.
    m_output.detach(this);
    {
        std::lock_guard lock(m_statusMutex);
        m_status.mode = PlayMode::Stopped;
        if (m_status.positionFrames == 0 && !m_finished.load(std::memory_order_relaxed))
            return; // nothing has been consumed: the ring already starts at the first frame
        m_status.positionFrames = 0;
        m_status.lengthFrames = m_lengthFrames;
        m_finished.store(false, std::memory_order_relaxed);
    }
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        m_seekPending = true;
        m_ring.discard();
        m_endWritten.store(false, std::memory_order_relaxed);
    }
    m_wake.release();
}

bool PlaybackChannel::endNearLocked() const
{
    // The end flag first: the ring then holds everything up to the end.
    return m_status.mode == PlayMode::Playing && m_endWritten.load(std::memory_order_acquire) &&
           m_ring.filledFrames() <= kEndReportFrames + std::size_t(m_output.bufferFrames());
}

ChannelSnapshot PlaybackChannel::snapshot() const
{
    std::lock_guard lock(m_statusMutex);
    ChannelSnapshot snapshot = m_status;
    if (endNearLocked()) {
        snapshot.mode = PlayMode::Stopped;
        snapshot.positionFrames += std::int64_t(m_ring.filledFrames());
        snapshot.lengthFrames = snapshot.positionFrames;
    }
    return snapshot;
}

bool PlaybackChannel::endedByItself() const
{
    std::lock_guard lock(m_statusMutex);
    return m_finished.load(std::memory_order_relaxed) || endNearLocked();
}

void PlaybackChannel::playOut()
{
    m_output.playOut(this);
}

std::optional<std::chrono::steady_clock::time_point> PlaybackChannel::firstFrameTakenAt() const
{
    std::lock_guard lock(m_statusMutex);
    return m_firstFrameTakenAt;
}

} // namespace zuvelo::mci
