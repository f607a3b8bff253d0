#pragma once

#include "player/MediaControl.h"

#include <set>
#include <string>
#include <vector>

namespace zuvelo::testing {

// A stand-in for the media layer that records every command and answers as a device would: "Open "
// or "open " opens the quoted name unless it is one of badDevices or open already, any other
// command on a name not open fails with kNameNotOpen, "close " closes it. The status follows the
// commands ("play " playing, "pause " paused, "stop " and "seek " stopped) or setMode(). With
// forwardTo set, that layer answers instead and this one only records. Single-threaded.
class RecordingMediaControl : public MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override;
    void setMode(std::string mode) { m_mode = std::move(mode); }
    int count(const std::string& prefix) const; // of the commands that begin with prefix
    void clear() { commands.clear(), results.clear(); }

    std::vector<std::string> commands; // every command sent, with what it returned
    std::vector<unsigned long> results;
    unsigned largestReplyCapacity = 0;
    std::set<std::string> badDevices;
    MediaControl* forwardTo = nullptr;

private:
    std::set<std::string> m_open;
    std::string m_mode = "stopped";
};

} // namespace zuvelo::testing
