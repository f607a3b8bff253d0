#include "MediaCommands.h"

namespace zuvelo {

std::string openCommand(const std::string& soundFile)
{
    return "Open " + soundFile;
}
std::string openLowercaseCommand(const std::string& soundFile)
{
    return "open " + soundFile;
}
std::string playCommand(const std::string& soundFile)
{
    return "play " + soundFile;
}
std::string pauseCommand(const std::string& soundFile)
{
    return "pause " + soundFile;
}
std::string stopCommand(const std::string& soundFile)
{
    return "stop " + soundFile;
}
std::string seekToStartCommand(const std::string& soundFile)
{
    return "seek " + soundFile + " to start";
}
std::string closeCommand(const std::string& soundFile)
{
    return "close " + soundFile;
}
std::string statusModeCommand(const std::string& soundFile)
{
    return "status " + soundFile + " mode";
}
std::string statusLengthCommand(const std::string& soundFile)
{
    return "status " + soundFile + " length";
}
std::string statusPositionCommand(const std::string& soundFile)
{
    return "status " + soundFile + " position";
}

} // namespace zuvelo
