#pragma once

#include "FrameRing.h"
#include "FrameSource.h"
#include "MixSource.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>

namespace zuvelo::mci {

class SoundOutput;

// What a device is doing, as "status ... mode" reports it.
enum class PlayMode { Stopped, Playing, Paused };

// A consistent picture of a channel for the user-interface thread: a copy taken at one moment.
struct ChannelSnapshot {
    PlayMode mode = PlayMode::Stopped;
    std::int64_t positionFrames = 0; // frames handed to the output since the start
    std::int64_t lengthFrames = -1;  // -1 while unknown
};

// One open device as it plays: its source, a decoding thread that stays ahead of the output, and
// the ring between them.
//
// The decoding thread fills the ring whenever it has room for a chunk (so the first samples are
// ready before play) and otherwise sleeps on a semaphore; the output callback wakes it when the
// ring drops below the low-water mark, the user-interface thread when it seeks or closes. A
// stopped, paused or finished channel is not mixed by the output, so its full ring keeps the
// thread asleep: idle costs nothing.
//
// One decoding thread a device rather than one shared worker: the player has one device open at
// a time (two at a track change), so the threads cost nothing while they sleep; and a read that
// hangs (a network file system) holds up only its own device, which close can cut short through
// the source's abort.
//
// Only close waits for the decoding thread, and it first aborts the source's read (FFmpeg's
// interrupt callback), so a read stuck on a dead file system cannot hold it; play, pause, stop and
// seek only flip state and wake the thread, so they never wait on a decoder.
//
// What the user-interface thread sees (mode, position, length) is kept in one ChannelSnapshot
// under m_statusMutex, which the output callback takes once a callback to count the frames it
// took and to mark the end; snapshot() copies it.
//
// Threads: the public functions except fill() and finished() belong to the user-interface thread;
// those two to the output callback. Lock order: SoundOutput's lock, then m_statusMutex; m_mutex
// is never held with either.
class PlaybackChannel final : public MixSource {
public:
    PlaybackChannel(std::unique_ptr<FrameSource> source, SoundOutput& output);
    // Detaches from the output, cuts a stuck read short, joins the thread, frees the source.
    ~PlaybackChannel();

    PlaybackChannel(const PlaybackChannel&) = delete;
    PlaybackChannel& operator=(const PlaybackChannel&) = delete;

    // Plays from the current position. At the end already it stays stopped. Returns 0 or an
    // MCIERR_... code when the sound output cannot take it.
    unsigned long play();
    // Holds playback; the position is kept. Only while playing.
    void pause();
    // Halts playback; the position is kept and play continues from there.
    void stop();
    // Back to the first frame, stopped.
    void seekToStart();
    // Mode, position and length as of one moment. Once the source has been decoded to its end
    // and at most kEndReportFrames plus what the output takes at once are left for it, the mode
    // is "stopped" and the position and length are where the end is, so that whoever polls can
    // open the next piece while this one still sounds.
    ChannelSnapshot snapshot() const;

    // Whether the channel reached its end by itself: it has finished, or it plays and reports
    // "stopped" as above.
    bool endedByItself() const;
    // For a close of a channel that ended by itself: lets the output play the rest still in the
    // ring; the channel is finished once it has. A channel the output no longer mixes is finished
    // already or never finishes by itself (then the caller simply destroys it).
    void playOut();

    // When the output first took a frame of this channel (a seek does not reset it); nothing
    // until then. For the diagnostics (mciFirstSampleMicros).
    std::optional<std::chrono::steady_clock::time_point> firstFrameTakenAt() const;

    // Output callback: the ring's next frames. Once the source's end has been taken, the channel
    // is finished: stopped, until a seek.
    std::size_t fill(float* interleavedStereo, std::size_t frames) override;
    std::size_t readyFrames() const override;
    bool finished() const override { return m_finished.load(std::memory_order_acquire); }

private:
    // Every frame of the source passes here on its way into the ring, so the ring only ever holds
    // finite samples within full scale (see guardSamples).
    std::size_t readSource(float* frames, std::size_t count);
    // sourceEnded: the source ended within the first chunk, decoded at construction.
    void decodeLoop(bool sourceEnded);

    // The ring holds half a second (192 KB, touched whole; two of them at a track change); the
    // decoder is woken when less than a quarter second is left, so it wakes about four times a
    // second of audio. A quarter second ahead is still twice what the output takes at once (128 ms
    // on the sound server's stream, which holds as much again). It decodes in chunks of 85 ms: the
    // first, at open and after a seek, is then ready within a millisecond or so and covers two
    // callbacks of the output, and the buffers a chunk passes through (here, in the resampler)
    // stay small.
    static constexpr std::size_t kRingFrames = kOutputRate / 2;
    static constexpr std::size_t kChunkFrames = 4096;
    static constexpr std::size_t kLowWaterFrames = kOutputRate / 4;
    // The most of a finished piece still queued when the channel reports "stopped": 107 ms beyond
    // what the output takes at once (150 ms on SDL's 2048 frames), so that whoever polls every
    // 100 ms has the next piece attached before the output takes the last of this one.
    static constexpr std::size_t kEndReportFrames = kOutputRate * 15 / 100 - 2048;

    // Whether the mode reported is "stopped" because the end is near; under m_statusMutex.
    bool endNearLocked() const;

    std::unique_ptr<FrameSource> m_source; // decoding thread only, after construction
    SoundOutput& m_output;
    FrameRing m_ring{kRingFrames};
    std::int64_t m_lengthFrames; // under m_statusMutex: the decoding thread may measure it

    // Written by the user-interface thread (mode) and the callback (position, and the end).
    mutable std::mutex m_statusMutex;
    ChannelSnapshot m_status;
    std::optional<std::chrono::steady_clock::time_point> m_firstFrameTakenAt; // under m_statusMutex

    // Shared with the decoding thread, under m_mutex.
    std::mutex m_mutex;
    std::uint64_t m_generation = 0; // bumped by a seek: chunks decoded before it are dropped
    bool m_seekPending = false;
    bool m_quit = false;

    // Set by the decoder (under m_mutex) once the last frame is in the ring; read by the callback.
    std::atomic<bool> m_endWritten{false};
    // Set by the callback (under m_statusMutex) once the ring ran dry after the end: the device
    // has finished. Cleared by a seek while the channel is detached.
    std::atomic<bool> m_finished{false};
    // Whether the callback has already woken the decoder since it last looked at the ring.
    std::atomic<bool> m_wakeRequested{false};
    std::counting_semaphore<> m_wake{0};

    std::thread m_thread; // started at the end of construction
};

} // namespace zuvelo::mci
