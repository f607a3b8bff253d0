#pragma once

#include <cstddef>

namespace zuvelo::mci {

// What the sound output mixes: something that fills frames. The output knows nothing else of what
// it plays.
//
// Threads: both functions run on the output's thread (SDL's or libpulse's), inside the output's
// callback, with the output's lock held; they must not wait on anything but a lock held as
// briefly, allocate or log.
class MixSource {
public:
    // Fills up to frames stereo frames (48 kHz, 2 floats each, left then right) into
    // interleavedStereo and returns how many it filled; fewer when it has no more just now.
    virtual std::size_t fill(float* interleavedStereo, std::size_t frames) = 0;
    // How many frames fill() would give at once now; all it asks for once its end is ready.
    virtual std::size_t readyFrames() const = 0;
    // Whether it will never fill a frame again; the output then stops asking it.
    virtual bool finished() const = 0;

protected:
    ~MixSource() = default; // the output never owns a source
};

} // namespace zuvelo::mci
