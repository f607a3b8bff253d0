#pragma once

#include "PlayerContext.h"

namespace zuvelo {

// The click handlers of the five transport buttons. None starts a track: each leaves a2 (and b2)
// where the monitor's next selection lands on the wanted track, then stops the current one; the
// next tick sees "stopped" and starts it. Pause and play act on the current track directly and
// guard the monitor with b1. User-interface thread only; none yields.

void command1Click(PlayerContext& ctx); // ">>" next track
void command2Click(PlayerContext& ctx); // "<" restart the current track
void command3Click(PlayerContext& ctx); // "<<" previous track
void command4Click(PlayerContext& ctx); // "| |" pause
void command5Click(PlayerContext& ctx); // ">" play, or resume after a pause

// True when the file SoundFile names (without its quotes), lower-cased, ends in "mid" or "midi":
// such a track is paused with "stop " instead of "pause ".
bool isMidiSoundFile(const std::string& soundFile);

} // namespace zuvelo
