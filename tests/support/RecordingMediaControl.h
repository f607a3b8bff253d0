#pragma once

#include "player/MediaControl.h"

#include <set>
#include <string>
#include <vector>

namespace zuvelo::testing {

// A stand-in for the media layer that records every command and answers as devices would: "Open "
// opens a name (not one of badDevices), a command on a name not open fails with kNameNotOpen, and
// the status follows "play ", "pause ", "stop " and "seek " or setMode(). With autoOpen it answers
// as the Windows platform does: "status" and "play" of a name not open open it first, failing with
// the file's error for a bad device, and leave the device open.
class RecordingMediaControl : public MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override;
    void setMode(std::string mode) { m_mode = std::move(mode); }
    int count(const std::string& prefix) const; // of the commands that begin with prefix
    void clear() { commands.clear(); }

    std::vector<std::string> commands; // every command sent
    unsigned largestReplyCapacity = 0;
    std::set<std::string> badDevices;
    bool autoOpen = false;
    std::size_t openDevices() const { return m_open.size(); }

private:
    std::set<std::string> m_open;
    std::string m_mode = "stopped";
};

} // namespace zuvelo::testing
