#pragma once

#include "handlers/PlayerContext.h"

#include <string>

namespace zuvelo {

// Start-up, run when the main window loads, before it is first shown, and after the caller has
// made sure this is the only instance running from programFolder. Shows the loading message, arms
// Timer1, reads the settings, fills the mode box, scans the music folders (yielding after every
// file, so monitor ticks run meanwhile), chooses, shows and plays the first track. Returns early,
// doing nothing more, if shut-down ran during the scan.
void formLoad(PlayerContext& ctx, const std::string& programFolder);

} // namespace zuvelo
