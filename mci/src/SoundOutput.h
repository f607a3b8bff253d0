#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zuvelo::mci {

class MixSource;
class PulseStream;

// The one sound output of the process, at 48,000 Hz, stereo, 32-bit float, opened on first use and
// kept open until the process ends, mixing every attached source.
//
// Where a PulseAudio server (or PipeWire's) answers and SDL_AUDIODRIVER names no driver, the
// output is a stream of that server's own (PulseStream): SDL's pulse driver wakes several times a
// period. Otherwise SDL picks the driver (SDL_AUDIODRIVER is honoured). When no device opens, the
// output falls back to SDL's "dummy" driver and says so once on stderr, so that everything else
// works the same.
//
// Threads: open(), attach() and detach() from the user-interface thread (or a source's destructor
// there). The callback runs on the output's thread (SDL's, or libpulse's): it holds the sources'
// lock while the sources fill its buffer, and never allocates, logs or waits on anything else.
// Lock order: this lock, then whatever lock a source takes in fill().
class SoundOutput {
public:
    static SoundOutput& instance();

    // Opens the output if it is not open yet. Returns 0 or MCIERR_INTERNAL when not even the
    // dummy driver works.
    unsigned long open();

    // Starts mixing source (opening the output if needed), until it is detached or finished.
    // Returns 0 or an MCIERR_... code.
    unsigned long attach(MixSource* source);
    // Stops mixing source. When it returns, the callback no longer touches the source and what of
    // it the sound server still held is no longer heard. With resumable (a pause or stop that play
    // continues), and no other source left, the server's stream keeps it: attaching the same
    // source again goes on from it without losing a frame, attaching any other drops it.
    void detach(MixSource* source, bool resumable = false);
    // Lets an attached source that has reached its end play out the frames it still holds, as the
    // rest of a finished piece. A source attached while such a rest plays starts exactly after the
    // rest's last frame, in the same callback, so that consecutive pieces join without a gap.
    void playOut(MixSource* source);

    // The driver SDL opened ("libpulse" for the server's own stream), empty before the first open.
    // User-interface thread.
    const std::string& driverName() const { return m_driverName; }
    // The most frames the output takes at once (SDL's callback buffer, the server stream's
    // request), 0 before the first open.
    int bufferFrames() const { return m_bufferFrames; }

    // Closes the SDL device after every source has gone; for the process's exit.
    void shutDown();

private:
    SoundOutput();
    ~SoundOutput();
    bool openServerStream();
    // Lets the held server stream go on, with what it held or (keep false) without.
    void resumeServer(bool keep);
    void sized(int frames);
    static void render(void* self, float* out, std::size_t frames);
    static void callback(void* self, std::uint8_t* stream, int length);
    void mix(float* out, std::size_t frames);
    // Adds the first frames of the scratch buffer into out.
    void addInto(float* out, std::size_t frames) const;

    std::uint32_t m_device = 0;                  // SDL_AudioDeviceID, 0 while closed
    std::unique_ptr<PulseStream> m_serverStream; // in SDL's place where it opened
    bool m_serverHeld = false;                   // the server stream is held since the last detach
    const MixSource* m_heldFor = nullptr;        // the source whose frames it holds, if any
    bool m_failed = false;                       // even the dummy driver failed; not retried
    std::string m_driverName;
    int m_bufferFrames = 0;

    struct Entry {
        MixSource* source;
        bool rest;       // playing out the end of a piece (playOut)
        bool afterRests; // attached while a rest was playing: starts after its last frame
        bool starting;   // not mixed yet (nor attached after rests)
        std::size_t lead = 0; // starting: the silent frames before it in this callback
    };
    std::mutex m_sourcesMutex; // held by the callback while the sources fill
    std::vector<Entry> m_sources;
    std::vector<float> m_scratch; // the callback's copy buffer, sized at open
};

// Counts one underrun: a playing source that ran dry before its end. Any thread.
void countUnderrun();

} // namespace zuvelo::mci
