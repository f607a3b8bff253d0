#pragma once

#include "PlayerNumber.h"
#include "TrackTable.h"

#include <array>
#include <cstddef>
#include <string>

namespace zuvelo {

// Highest track number.
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
    // "/" subfolder "/" name of tracks 1 to nmax; index 0 unused. It grows as the folders are
    // scanned rather than holding kMaxTracks empty entries from the start; read it through
    // trackEntry(), which gives "" for any number past its end.
    TrackTable FileList = TrackTable(1);
    std::array<std::string, 3> ModeName; // display names of the modes, index = a1
};

// FileList(n) for any n from 0 to kMaxTracks: "" where no track has been found.
inline std::string trackEntry(const PlayerState& state, std::int64_t n)
{
    return n >= 0 && std::size_t(n) < state.FileList.size() ? state.FileList[std::size_t(n)] : std::string();
}

} // namespace zuvelo
