#pragma once

#include "Command.h"

#include <string_view>

namespace zuvelo::mci {

// Turns a command string into a typed Command.
//
// Grammar: verb, device name, keywords, separated by runs of blanks (trailing blanks ignored).
// Verbs and keywords match in any letter case. The device name is either a double-quoted text,
// running from the first to the last double quote of the command (a Linux file name may itself
// hold a quote), or an unquoted word; it is kept byte for byte.
//
// Returns 0 and fills command, or an MCIERR_... code of mci.h. Pure function; any thread.
unsigned long parseCommand(std::string_view text, Command& command);

} // namespace zuvelo::mci
