#include "RecordingMediaControl.h"

#include <algorithm>
#include <cstring>

namespace zuvelo::testing {

unsigned long RecordingMediaControl::sendString(const char* command, char* reply, unsigned replyCapacity)
{
    const std::string text = command, verb = text.substr(0, text.find(' ')), rest = text.substr(verb.size() + 1);
    const std::string device = rest.substr(0, rest.starts_with('"') ? rest.find('"', 1) + 1 : rest.find(' '));
    unsigned long result = 0;
    if (verb == "Open" || verb == "open")
        result = badDevices.contains(device) ? 275 : m_open.insert(device).second ? 0 : 265; // not found, open already
    else if (!m_open.contains(device) && !(autoOpen && (verb == "status" || verb == "play")))
        result = MediaError::kNameNotOpen;
    else if (!m_open.contains(device) && badDevices.contains(device))
        result = 275; // the auto-open failed: the file's own error
    else if (m_open.insert(device).second && (m_mode = "stopped", verb == "play"))
        m_mode = "playing"; // auto-opened
    else if (verb == "status")
        std::strcpy(reply, m_mode.c_str());
    else if (verb == "close")
        m_open.erase(device);
    else
        m_mode = verb == "play" ? "playing" : verb == "pause" ? "paused" : "stopped";
    commands.push_back(text);
    largestReplyCapacity = std::max(largestReplyCapacity, replyCapacity);
    return result;
}

int RecordingMediaControl::count(const std::string& prefix) const
{
    return int(std::count_if(commands.begin(), commands.end(), [&](const auto& c) { return c.starts_with(prefix); }));
}

} // namespace zuvelo::testing
