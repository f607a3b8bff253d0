// Fuzzes mciSendString with up to eight commands a line each, on SDL's dummy audio driver, beside
// a.wav, b.mid and c.mp3 (opens of names with a "/" are skipped). Properties of every call: the reply
// is NUL-terminated within the capacity given, nothing is written beyond it, and a successful
// "status ... mode" replies a mode. Properties of every command the parser accepts: a device name
// from the text, quoted (its file path the text between) or without blanks (its own file path); an
// item on "status" and "to start" on "seek" only; and its plain form (verb, name, keywords) parsing
// to the same command.

#include "CommandParser.h"
#include "FuzzSupport.h"

#include "mci/mci.h"

#include <set>
#include <tuple>

using namespace zuvelo::mci;
using zuvelo::fuzz::fail;

// Reply capacities in turn: none, too small for any reply, one short of and just right for "stopped", the player's.
constexpr unsigned kCapacities[] = {0, 1, 7, 8, 255};
constexpr char kGuard = '\x5A'; // fills 32 bytes after the capacity, which must stay untouched
const std::set<std::string> kModes = {"playing", "paused", "stopped"};
// The words of Verb and StatusItem, in the order of their enumerations.
constexpr const char* kVerbs[] = {"open", "play", "pause", "resume", "stop", "seek", "close", "status"};
constexpr const char* kItems[] = {"", " mode", " position", " length"};

static void checkAccepted(const std::string& text, const Command& command)
{
    const std::string& name = command.deviceName;
    if (name.empty() || text.find(name) == std::string::npos)
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
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (::chdir(zuvelo::fuzz::scratchFolder().c_str()) != 0)
        fail("cannot enter the scratch folder");
    // A type-0 MIDI file of one quarter-second note; the wav and the mp3 from the ffmpeg command line.
    static const char midi[] = "MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\0\0\0\15\0\x90\x3C\x64\x81\x70\x80\x3C\0\0\xFF\x2F\0";
    zuvelo::fuzz::writeFile("b.mid", midi, sizeof midi - 1);
    if (std::system("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=0.2 -ar 8000 a.wav -ar 22050 c.mp3") != 0)
        fail("ffmpeg could not make a.wav and c.mp3");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::set<std::string> names; // devices the input named: any left open is closed after it
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t index = 0; index < 8 && !text.empty(); ++index) {
        const std::string line(text.substr(0, text.find('\n')));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        const std::string command = line.c_str(); // a C string ends at its first NUL
        Command parsed;
        const bool parses = parseCommand(command, parsed) == 0;
        if (parses)
            checkAccepted(command, parsed);
        if (parses && parsed.verb == Verb::Open && parsed.filePath.find('/') != std::string::npos)
            continue;

        const unsigned capacity = kCapacities[index % std::size(kCapacities)];
        std::string reply(capacity + 32, kGuard);
        const auto error = mciSendString(command.c_str(), capacity ? reply.data() : nullptr, capacity, nullptr);
        if (reply.find_first_not_of(kGuard, capacity) != std::string::npos)
            fail("reply written past the capacity");
        if (capacity > 0 && reply.find('\0') >= capacity)
            fail("reply not NUL-terminated within the capacity");
        names.insert(parsed.deviceName); // unparsed, it is at worst a name nothing has open
        if (parses && parsed.statusItem == StatusItem::Mode && error == 0 && capacity > 7 &&
            !kModes.contains(reply.c_str()))
            fail("status mode reply is not a mode");
    }
    for (const std::string& name : names)
        mciSendString(("close " + name).c_str(), nullptr, 0, nullptr);
    return 0;
}
