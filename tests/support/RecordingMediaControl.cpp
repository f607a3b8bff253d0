#include "RecordingMediaControl.h"

#include <cstring>

namespace zuvelo::testing {

unsigned long RecordingMediaControl::sendString(const char* command, char* reply, unsigned replyCapacity)
{
    const std::string text = command, verb = text.substr(0, text.find(' ')), rest = text.substr(verb.size() + 1);
    const std::string device = rest.substr(0, rest.starts_with('"') ? rest.find('"', 1) + 1 : rest.find(' '));
    unsigned long result = 0;
    if (forwardTo != nullptr)
        result = forwardTo->sendString(command, reply, replyCapacity);
    else if (verb == "Open" || verb == "open")
        result = badDevices.contains(device) ? 275 : m_open.insert(device).second ? 0 : 265; // not found, open already
    else if (!m_open.contains(device))
        result = MediaError::kNameNotOpen;
    else if (verb == "status")
        std::strcpy(reply, m_mode.c_str());
    else if (verb == "close")
        m_open.erase(device);
    else
        m_mode = verb == "play" ? "playing" : verb == "pause" ? "paused" : "stopped";
    calls.push_back({text, replyCapacity, result});
    return result;
}

std::vector<std::string> RecordingMediaControl::commands() const
{
    std::vector<std::string> texts;
    for (const Call& call : calls)
        texts.push_back(call.command);
    return texts;
}

int RecordingMediaControl::count(const std::string& prefix) const
{
    int n = 0;
    for (const Call& call : calls)
        n += call.command.starts_with(prefix);
    return n;
}

} // namespace zuvelo::testing
