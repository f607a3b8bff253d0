#pragma once

// The media control layer: takes the platform's media command strings ("open", "play", "pause",
// "stop", "seek ... to start", "close", "status ... mode") and plays through FFmpeg, FluidSynth and
// SDL2. It knows nothing of the player. Outside the layer, this header and mci/Diagnostics.h are
// all there is to include; the rest (mci/src/) is private to it.
//
// Threads: every function here is called from one thread, the caller's user-interface thread.
// Playback runs on threads of the layer.
//
// The layer owns FFmpeg in its process: at the first open it sets FFmpeg's log level and callback,
// and caps every FFmpeg allocation at 64 MB, so that a damaged header cannot claim gigabytes.

// Error codes, with the platform's numbers.
#define MCIERR_UNRECOGNIZED_KEYWORD 259   // a keyword the command does not take
#define MCIERR_UNRECOGNIZED_COMMAND 261   // an unknown verb
#define MCIERR_INVALID_DEVICE_NAME 263    // the device is not open
#define MCIERR_DEVICE_OPEN 265            // open of a name that is already open
#define MCIERR_MISSING_COMMAND_STRING 267 // an empty or blank command
#define MCIERR_PARAM_OVERFLOW 268         // the reply does not fit the caller's buffer
#define MCIERR_MISSING_PARAMETER 273      // a required keyword argument is missing
#define MCIERR_FILE_NOT_FOUND 275         // open of a file that does not exist
// MCIERR_INTERNAL, 277, covers two cases: open of an mpegvideo file (a name not ending in "wav",
// "mid" or "midi") that is a folder or other non-regular file, is empty, or does not decode (not
// MPEG audio, or ASF for "wma", within the open's bounded read and time); and open, play or
// resume (and mciOpenSoundOutput) when no sound output opens, not even SDL's dummy driver.
#define MCIERR_INTERNAL 277
#define MCIERR_MISSING_DEVICE_NAME 292    // a verb without a device name
#define MCIERR_NO_CLOSING_QUOTE 294       // a device name with an opening quote only
#define MCIERR_INVALID_FILE 296           // a wav or MIDI file that is not one
#define MCIERR_NONAPPLICABLE_FUNCTION 302 // e.g. pause on a device that is not playing

// Sends one command string. returnString may be null, or returnLength 0, for any command; otherwise
// it is emptied on entry and receives the NUL-terminated reply. callbackWindow is accepted and
// ignored. Returns 0 or an MCIERR_... code.
unsigned long mciSendString(const char* command, char* returnString, unsigned returnLength, void* callbackWindow);

// Copies an English description of an error code into buffer (NUL-terminated, cut to length).
// Returns false for a code the layer does not know.
bool mciGetErrorString(unsigned long error, char* buffer, unsigned length);

// Names the folder whose first *.sf2 file is the soundfont for MIDI files (the application's own
// folder). Without one there, Debian's default General MIDI soundfont is used. Call before the
// first MIDI open.
void mciSetSoundFontFolder(const char* folder);
