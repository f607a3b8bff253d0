// Fuzzes the command parser directly with arbitrary text (NUL bytes included).
//
// Properties of every accepted command:
// - the device name is not empty; a quoted name starts and ends with a quote and its file path is
//   the text between them; an unquoted name holds no blank and is its own file path;
// - "status" has exactly one item, "seek" has "to start", no other verb carries either;
// - writing the command back in its plain form (verb, name, keywords) parses to the same command.

#include "CommandParser.h"
#include "FuzzSupport.h"

#include <cstdint>
#include <string>
#include <string_view>

using zuvelo::fuzz::fail;
using namespace zuvelo::mci;

namespace {

const char* verbWord(Verb verb)
{
    switch (verb) {
    case Verb::Open: return "open";
    case Verb::Play: return "play";
    case Verb::Pause: return "pause";
    case Verb::Resume: return "resume";
    case Verb::Stop: return "stop";
    case Verb::Seek: return "seek";
    case Verb::Close: return "close";
    case Verb::Status: return "status";
    }
    fail("verb outside the enumeration");
}

const char* statusWord(StatusItem item)
{
    switch (item) {
    case StatusItem::None: return "";
    case StatusItem::Mode: return " mode";
    case StatusItem::Position: return " position";
    case StatusItem::Length: return " length";
    }
    fail("status item outside the enumeration");
}

bool hasBlank(std::string_view text)
{
    return text.find_first_of(" \t\r\n") != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Command command;
    if (parseCommand(text, command) != 0)
        return 0;

    const std::string& name = command.deviceName;
    if (name.empty())
        fail("accepted command without a device name");
    if (name.front() == '"') {
        if (name.size() < 3 || name.back() != '"')
            fail("quoted device name not closed by a quote");
        if (command.filePath != name.substr(1, name.size() - 2))
            fail("file path is not the quoted text");
    } else {
        if (hasBlank(name))
            fail("unquoted device name holds a blank");
        if (command.filePath != name)
            fail("unquoted file path differs from the name");
    }
    if ((command.verb == Verb::Status) != (command.statusItem != StatusItem::None))
        fail("status item on the wrong verb, or status without one");
    if ((command.verb == Verb::Seek) != command.seekToStart)
        fail("seek target on the wrong verb, or seek without one");
    if (text.find(name) == std::string_view::npos)
        fail("device name is not part of the command text");

    const std::string plain = std::string(verbWord(command.verb)) + " " + name + statusWord(command.statusItem) +
                              (command.seekToStart ? " to start" : "");
    Command again;
    if (parseCommand(plain, again) != 0)
        fail("plain form of an accepted command is rejected");
    if (again.verb != command.verb || again.deviceName != command.deviceName || again.filePath != command.filePath ||
        again.statusItem != command.statusItem || again.seekToStart != command.seekToStart)
        fail("plain form parses to a different command");
    return 0;
}
