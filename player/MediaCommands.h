#pragma once

#include <string>

namespace zuvelo {

// The player's whole media vocabulary, built from SoundFile (the quoted full path), byte for byte.
// Both spellings of the open verb are sent: "Open " by start-up and the monitor, "open " once more
// by start-up.
std::string openCommand(const std::string& soundFile);          // "Open " + soundFile
std::string openLowercaseCommand(const std::string& soundFile); // "open " + soundFile
std::string playCommand(const std::string& soundFile);          // "play " + soundFile
std::string pauseCommand(const std::string& soundFile);         // "pause " + soundFile
std::string stopCommand(const std::string& soundFile);          // "stop " + soundFile
std::string seekToStartCommand(const std::string& soundFile);   // "seek " + soundFile + " to start"
std::string closeCommand(const std::string& soundFile);         // "close " + soundFile
std::string statusModeCommand(const std::string& soundFile);    // "status " + soundFile + " mode"
// Asked only by the desktop's media service; the layer answers in milliseconds.
std::string statusLengthCommand(const std::string& soundFile);   // "status " + soundFile + " length"
std::string statusPositionCommand(const std::string& soundFile); // "status " + soundFile + " position"

// Capacity of every reply field the handlers pass.
inline constexpr unsigned kReplyFieldLength = 255;

} // namespace zuvelo
