#pragma once

#include "FrameSource.h"

#include <memory>
#include <string>

namespace zuvelo::mci {

class MidiRenderer;

// The sequencer device: a MIDI file rendered by the MidiRenderer at 48 kHz stereo float. The
// piece ends after its last event and at most one second of release.
//
// Thread: open() on the user-interface thread; then the FrameSource contract.
class SequencerDevice final : public FrameSource {
public:
    // Returns null and sets error (MCIERR_FILE_NOT_FOUND, MCIERR_INVALID_FILE) when path is not a
    // MIDI file the renderer can play.
    static std::unique_ptr<SequencerDevice> open(const std::string& path, unsigned long& error);
    ~SequencerDevice() override;

    std::size_t read(float* interleavedStereo, std::size_t frames) override;
    bool rewind() override;
    // Up to the last event; the dying away after it (at most a second) is not counted.
    std::int64_t lengthFrames() const override;

private:
    explicit SequencerDevice(std::unique_ptr<MidiRenderer> renderer);
    std::unique_ptr<MidiRenderer> m_renderer;
};

} // namespace zuvelo::mci
