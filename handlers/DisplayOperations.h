#pragma once

#include "FormControls.h"
#include "player/PlayerState.h"

#include <string>

namespace zuvelo {

// The window's four display operations, built on the text area's Clear, Set size and Print and on
// the caption. User-interface thread only.

// "読み込み中です・・・" at 18 points.
void showLoadingMessage(FormControls& form);

// FileList(a2) at 18 points, an empty line, then "全", nmax, "曲" at 11 points. a2 must lie
// within 0 to kMaxTracks.
void showCurrentTrack(FormControls& form, const PlayerState& state);

// "演奏できるファイルがありません。" at 18 points.
void showNoFilesMessage(FormControls& form);

// The caption becomes "Zuvelo" immediately followed by the status reply up to its first NUL.
void showStatusInCaption(FormControls& form, const std::string& statusReply);

} // namespace zuvelo
