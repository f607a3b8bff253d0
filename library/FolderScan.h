#pragma once

#include "player/PlayerState.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace zuvelo {

// Fills FileList(1..nmax) with the playable files lying directly in the first-level subfolders of
// state.Pare and sets nmax. Subfolders, and the files in each, are taken in natural order
// (NaturalOrder.h), up to kMaxTracks. A subfolder that cannot be read is skipped.
//
// Calls yieldToEvents once after every file examined, except after the one that fills the table;
// the application lets pending window events and timer ticks run there. Once the table is full
// the rest of the library is only counted, unsorted, still yielding after every file, and the
// count is returned: the number of playable files left out (0 when everything fitted).
std::int64_t scanFolders(PlayerState& state, const std::function<void()>& yieldToEvents);

// The suffix rule: true when the lower-cased name ends in wav, wma, mp3, mp2, mid or midi.
bool isPlayableName(std::string_view name);

} // namespace zuvelo
