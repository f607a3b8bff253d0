#pragma once

// Diagnostic hooks of the media control layer, for tests, benchmarks and mciplay. Not part of the
// command interface; the player only names the output's driver and the soundfont in its start-up
// line.
//
// Threads: like mci.h, the caller's user-interface thread (mciUnderrunCount: any thread).

// How many times a playing device's buffer ran dry between its first frame and its end, since the
// process started. Each time the output padded a callback with silence.
unsigned long long mciUnderrunCount();

// Microseconds from the start of the open command of deviceName (as written in the command,
// quotes included) to the first sample of it handed to the sound output; -1 when it has not
// played yet or is not open. The output takes samples once a callback (mciOutputBufferFrames()
// frames), so beyond the open itself this includes the wait for the next callback after play.
long long mciFirstSampleMicros(const char* deviceName);

// The SDL audio driver the sound output opened ("pulseaudio", "alsa", "disk", "dummy", ...); empty
// before the output has opened.
const char* mciOutputDriverName();

// The soundfont file MIDI files play with: the one loaded, once a MIDI file has opened; before
// that, the one the layer would load (see mciSetSoundFontFolder). Empty when there is none. The
// text stays valid until the next call.
const char* mciSoundFontFile();

// Frames a callback of the sound output asks for; 0 before the output has opened.
int mciOutputBufferFrames();

// Opens the sound output now rather than with the first device, so that a measurement of open
// leaves out the once-a-process cost of starting the output. Returns 0 or an MCIERR_... code.
unsigned long mciOpenSoundOutput();
