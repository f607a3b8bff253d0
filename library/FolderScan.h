#pragma once

#include "player/PlayerState.h"

#include <functional>

namespace zuvelo {

// Fills FileList(1..nmax) with the playable files lying directly in the first-level subfolders of
// state.Pare, in enumeration order, up to kMaxTracks, and sets nmax. Calls yieldToEvents once after
// every file examined (except after the one that reaches the limit); the application lets pending
// window events and timer ticks run there. A subfolder that cannot be read is skipped.
void scanFolders(PlayerState& state, const std::function<void()>& yieldToEvents);

// The suffix rule: true when the lower-cased name ends in wav, wma, mp3, mp2, mid or midi.
bool isPlayableName(const std::string& name);

} // namespace zuvelo
