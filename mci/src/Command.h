#pragma once

#include <string>

namespace zuvelo::mci {

// The verbs the layer understands.
enum class Verb { Open, Play, Pause, Resume, Stop, Seek, Close, Status };

// What "status" reports.
enum class StatusItem { None, Mode, Position, Length };

// One parsed command string. The device name is kept exactly as written (quotes included), since
// it names the device in every later command; filePath is the same name with the quotes taken off.
struct Command {
    Verb verb = Verb::Open;
    std::string deviceName;
    std::string filePath;
    StatusItem statusItem = StatusItem::None; // status only
    bool seekToStart = false;                 // seek only: "to start"
};

} // namespace zuvelo::mci
