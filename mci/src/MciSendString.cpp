// mciSendString: parses a command string and carries it out on the device registry.

#include "CommandParser.h"
#include "DeviceRegistry.h"

#include "mci/mci.h"

#include <cstring>
#include <string>

namespace zuvelo::mci {
namespace {

const char* modeText(PlayMode mode)
{
    switch (mode) {
    case PlayMode::Playing: return "playing";
    case PlayMode::Paused: return "paused";
    case PlayMode::Stopped: break;
    }
    return "stopped";
}

std::string millisecondsText(std::int64_t frames)
{
    return std::to_string(frames < 0 ? 0 : frames * 1000 / kOutputRate);
}

std::string statusReply(const Command& command, PlaybackChannel& channel)
{
    const ChannelSnapshot snapshot = channel.snapshot();
    switch (command.statusItem) {
    case StatusItem::Mode: return modeText(snapshot.mode);
    case StatusItem::Position: return millisecondsText(snapshot.positionFrames);
    case StatusItem::Length: return millisecondsText(snapshot.lengthFrames);
    case StatusItem::None: break;
    }
    return {};
}

// Carries out a parsed command; reply receives the text to hand back (empty for most verbs).
unsigned long execute(const Command& command, std::string& reply)
{
    DeviceRegistry& registry = DeviceRegistry::instance();
    if (command.verb == Verb::Open)
        return registry.open(command.deviceName, command.filePath);

    PlaybackChannel* channel = registry.find(command.deviceName);
    if (channel == nullptr)
        return MCIERR_INVALID_DEVICE_NAME;
    switch (command.verb) {
    case Verb::Open: break;
    case Verb::Play: return channel->play();
    case Verb::Resume:
        if (channel->snapshot().mode != PlayMode::Paused)
            return MCIERR_NONAPPLICABLE_FUNCTION;
        return channel->play();
    case Verb::Pause:
        if (channel->snapshot().mode != PlayMode::Playing)
            return MCIERR_NONAPPLICABLE_FUNCTION;
        channel->pause();
        return 0;
    case Verb::Stop: channel->stop(); return 0;
    case Verb::Seek: channel->seekToStart(); return 0;
    case Verb::Close: registry.close(command.deviceName); return 0;
    case Verb::Status: reply = statusReply(command, *channel); return 0;
    }
    return MCIERR_UNRECOGNIZED_COMMAND;
}

} // namespace
} // namespace zuvelo::mci

unsigned long mciSendString(const char* command, char* returnString, unsigned returnLength, void* callbackWindow)
{
    (void)callbackWindow; // no completion notifications: callers poll "status ... mode"
    if (returnString != nullptr && returnLength > 0)
        returnString[0] = '\0';
    if (command == nullptr)
        return MCIERR_MISSING_COMMAND_STRING;

    zuvelo::mci::Command parsed;
    if (const unsigned long error = zuvelo::mci::parseCommand(command, parsed); error != 0)
        return error;
    std::string reply;
    if (const unsigned long error = zuvelo::mci::execute(parsed, reply); error != 0)
        return error;
    if (returnString == nullptr || returnLength == 0)
        return 0;
    if (reply.size() + 1 > returnLength)
        return MCIERR_PARAM_OVERFLOW;
    std::memcpy(returnString, reply.c_str(), reply.size() + 1);
    return 0;
}
