#pragma once

#include "PlayerNumber.h"

#include <array>
#include <string>
#include <vector>

namespace zuvelo {

// Highest track number; FileList has the indices 0 to kMaxTracks.
inline constexpr int kMaxTracks = 50000;

// Play modes, the values of a1.
inline constexpr int kModeRandom = 0;
inline constexpr int kModeInOrder = 1;
inline constexpr int kModeReverse = 2;

// Everything the player remembers. Owned by the window; every handler reads and writes it
// directly. Only the user-interface thread touches it. Texts are bytes: a Linux file name need
// not be valid UTF-8, and it is kept exactly as the file system gave it.
struct PlayerState {
    std::string Pare;      // the program's own folder, no trailing separator
    std::string SoundFile; // current track's full path in double quotes: the media device name
    PlayerNumber nmax;     // number of tracks in FileList, 0 to kMaxTracks
    PlayerNumber a1;       // play mode: kModeRandom, kModeInOrder or kModeReverse
    PlayerNumber a2;       // current track number; the next advance starts from it
    PlayerNumber a3;       // number of the track last started (replayed on request in random mode)
    PlayerNumber b1;       // 1 while paused by the pause button: the monitor never advances then
    PlayerNumber b2;       // 1 asks the next random-mode selection to start a3 again
    std::vector<std::string> FileList =
        std::vector<std::string>(kMaxTracks + 1); // "/" subfolder "/" name, entries 1 to nmax
    std::array<std::string, 3> ModeName;          // display names of the modes, index = a1
};

} // namespace zuvelo
