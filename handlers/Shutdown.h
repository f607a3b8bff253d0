#pragma once

#include "handlers/PlayerContext.h"

#include <optional>
#include <string>

namespace zuvelo {

// Shut-down, run when the main window is closed: stops and closes the current track, stops
// Timer1 and writes the settings. From then on ctx.ending is set and no handler acts. Returns a
// description of a failed settings write (the caller reports it; the program ends all the same).
std::optional<std::string> formUnload(PlayerContext& ctx);

} // namespace zuvelo
