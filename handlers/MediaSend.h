#pragma once

#include "player/MediaCommands.h"
#include "player/MediaControl.h"

#include <array>
#include <string>

namespace zuvelo {

// A reply field: 255 characters, NUL-filled when created, plus one NUL that always ends it.
struct ReplyField {
    std::array<char, kReplyFieldLength + 1> bytes{};

    // The reply text up to its first NUL.
    std::string text() const { return std::string(bytes.data()); }
};

// Sends command with the reply field; the result code is returned for the one caller that looks.
inline unsigned long sendCommand(MediaControl& media, const std::string& command, ReplyField& reply)
{
    return media.sendString(command.c_str(), reply.bytes.data(), kReplyFieldLength);
}

// Sends command with an empty reply of capacity 0.
inline unsigned long sendCommand(MediaControl& media, const std::string& command)
{
    return media.sendString(command.c_str(), nullptr, 0);
}

} // namespace zuvelo
