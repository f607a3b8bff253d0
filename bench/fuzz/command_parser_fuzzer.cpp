// Fuzzes the command parser. Properties of an accepted command: a device name from the text, quoted
// (its file path the text between) or without blanks (its own file path); an item on "status" and
// "to start" on "seek" only; and its plain form (verb, name, keywords) parsing to the same command.

#include "CommandParser.h"
#include "FuzzSupport.h"

#include <tuple>

using namespace zuvelo::mci;
using zuvelo::fuzz::fail;

// The words of Verb and StatusItem, in the order of their enumerations.
constexpr const char* kVerbs[] = {"open", "play", "pause", "resume", "stop", "seek", "close", "status"};
constexpr const char* kItems[] = {"", " mode", " position", " length"};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Command command;
    if (parseCommand(text, command) != 0)
        return 0;
    const std::string& name = command.deviceName;
    if (name.empty() || text.find(name) == std::string_view::npos)
        fail("device name empty, or not part of the command text");
    if (name.front() == '"'
            ? name.size() < 3 || name.back() != '"' || command.filePath != name.substr(1, name.size() - 2)
            : name.find_first_of(" \t\r\n") != std::string::npos || command.filePath != name)
        fail("device name and file path do not agree");
    const auto verb = static_cast<std::size_t>(command.verb), item = static_cast<std::size_t>(command.statusItem);
    if ((command.verb == Verb::Status) != (command.statusItem != StatusItem::None) ||
        (command.verb == Verb::Seek) != command.seekToStart || verb >= std::size(kVerbs) || item >= std::size(kItems))
        fail("status item or seek target on the wrong verb or missing, or a value outside its enumeration");

    const std::string plain = kVerbs[verb] + (" " + name) + kItems[item] + (command.seekToStart ? " to start" : "");
    Command again;
    const auto fields = [](auto& c) { return std::tie(c.verb, c.deviceName, c.filePath, c.statusItem, c.seekToStart); };
    if (parseCommand(plain, again) != 0 || fields(again) != fields(command))
        fail("the plain form of an accepted command parses differently, or not at all");
    return 0;
}
