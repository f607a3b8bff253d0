#pragma once

#include "FrameSource.h"
#include "MidiFileScan.h"
#include "OpenResult.h"
#include "PeakLimiter.h"
#include "SoundFont.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_player_t fluid_player_t;

namespace zuvelo::mci {

// The sequencer device: a Standard MIDI File rendered into the output's 48,000 Hz stereo float
// frames, on demand, through FluidSynth with the process's shared soundfont (SoundFontCache).
//
// The piece ends when its last MIDI event has been played and the notes still sounding have had
// at most kTailFrames to die away (less once no voice sounds any more); then every sound is cut.
// FluidSynth's own player would call a piece "playing" for as long as any voice sounds, reverb
// tails included, and for ever when a note is never released, so the end is decided here.
// FluidSynth's player is driven by the rendered samples, not by a clock, so rendering faster
// than real time keeps the tempo.
//
// Threads: open() and the destructor on any thread; then the FrameSource contract, with ended(),
// positionMs() and lengthMs() as further reads of that one thread at a time, which may change
// over the renderer's life (every call takes the soundfont cache's lock). Never read from the
// sound output's callback: read() can read samples from the soundfont file when a piece selects a
// new instrument.
class MidiRenderer final : public FrameSource {
public:
    // At most one second of dying away after the last event.
    static constexpr std::uint64_t kTailFrames = kOutputRate;
    // Files bigger than this are not MIDI files anybody wrote; refusing them keeps a misnamed
    // video from being read into memory whole.
    static constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

    // Opens path, a regular file (the device registry has checked that it is one), for playing
    // from position 0. Fails with MCIERR_INVALID_FILE for a file that cannot be read, is too big
    // or is not a Standard MIDI File the player reads, and also when no soundfont can be loaded
    // (which the soundfont cache reports once on stderr). The soundfont is loaded on the first
    // successful call only.
    static OpenResult<MidiRenderer> open(const std::string& path,
                                         SoundFontCache& soundFonts = SoundFontCache::shared());
    ~MidiRenderer() override;
    MidiRenderer(const MidiRenderer&) = delete;
    MidiRenderer& operator=(const MidiRenderer&) = delete;

    // Fewer frames than asked, 0 included, only once the piece has ended; every later call
    // returns 0 until rewind().
    std::size_t read(float* interleavedStereo, std::size_t frames) override;
    // Back to position 0: all sounds off, the player at the first tick, end detection reset.
    // False when the synthesizer cannot be started again; the piece has then ended.
    bool rewind() override;
    // Up to the last event; the dying away after it (at most a second) is not counted.
    std::int64_t lengthFrames() const override;

    bool ended() const;
    // Milliseconds rendered since open or the last rewind.
    std::uint64_t positionMs() const;
    // Milliseconds from the start to the last MIDI event, through the file's tempo map.
    std::uint64_t lengthMs() const;

private:
    MidiRenderer(SoundFontCache& soundFonts, std::vector<std::uint8_t> file, MidiFileSummary summary);
    // A synthesizer with the shared soundfont and a player at tick 0; the caller holds the lock.
    bool startLocked();
    void stopLocked();
    void updateEndLocked();

    SoundFontCache& m_soundFonts;
    const std::vector<std::uint8_t> m_file; // the player parses its own copy on every start
    const MidiFileSummary m_summary;
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
    bool m_soundFontAdded = false;

    PeakLimiter m_limiter;               // what the synthesizer renders never reaches full scale
    std::uint64_t m_frames = 0;          // rendered since the start
    bool m_eventsDone = false;           // the last event has been played
    std::uint64_t m_eventsDoneFrame = 0; // m_frames when that was first seen
    bool m_ended = false;
};

} // namespace zuvelo::mci
