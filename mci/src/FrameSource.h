#pragma once

#include <cstddef>
#include <cstdint>

namespace zuvelo::mci {

// The output's format: every source delivers 48,000 Hz stereo interleaved 32-bit float.
inline constexpr int kOutputRate = 48000;
inline constexpr int kOutputChannels = 2;

// A decoder for one opened file: each device kind is one (StreamDevice for waveaudio and
// mpegvideo, MidiRenderer for the sequencer).
//
// Created on the user-interface thread by the kind's open function (through the device registry),
// which has already checked that the file decodes. After that, read() and rewind() are called from the device's decoding
// thread only; requestAbort() may be called from any thread to cut a stuck read short.
class FrameSource {
public:
    virtual ~FrameSource() = default;

    // Fills up to frames stereo frames (2 floats each) into interleavedStereo. Returns fewer only
    // at the end of the piece (or where a decoding error ends it); 0 once it has ended.
    virtual std::size_t read(float* interleavedStereo, std::size_t frames) = 0;

    // Goes back to the first frame. Returns false when the source cannot; it is then at its end.
    virtual bool rewind() = 0;

    // The length in frames at 48 kHz as far as the file tells it, or -1 when unknown.
    virtual std::int64_t lengthFrames() const = 0;

    // Works towards the exact length where the file tells only an estimate, a small step at a
    // time; true once lengthFrames() is final. The decoding thread calls it while the ring is
    // full, so even a slow look through a long file never keeps the output waiting.
    virtual bool measureLength() { return true; }

    // Makes a blocked read give up soon; the source then ends. Any thread.
    virtual void requestAbort() {}
};

} // namespace zuvelo::mci
