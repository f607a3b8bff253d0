// Fuzzes mciSendString with arbitrary command text: each input is up to eight commands, one a line,
// sent in order on SDL's dummy audio driver. The working folder holds a.wav, b.mid and c.mp3, so
// that sequences on devices that really open (play, pause, seek, status, close) are reached too;
// opens of names with a "/" are skipped, to keep the fuzzer away from the rest of the file system.
// Every device an input left open is closed after it.
//
// Properties of every call: the reply buffer is written only within the capacity given, and holds
// a NUL-terminated text there; the reply of a successful "status ... mode" is "playing", "paused"
// or "stopped".

#include "CommandParser.h"
#include "FuzzSupport.h"

#include "mci/mci.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

using zuvelo::fuzz::fail;
using namespace zuvelo::mci;

namespace {

// At most this many commands an input, so that one input cannot run for long.
constexpr std::size_t kMaxCommands = 8;
// Reply capacities cycled through by the commands of an input: none, too small for any reply,
// just too small and just large enough for "stopped", and the player's own field.
constexpr unsigned kCapacities[] = {0, 1, 7, 8, 255};
// Bytes after the capacity that must stay untouched.
constexpr std::size_t kGuardBytes = 32;
constexpr unsigned char kGuard = 0xA5;

// A 16-bit mono wav of 400 samples at 8 kHz (50 ms of a square wave).
std::vector<std::uint8_t> tinyWav()
{
    const std::uint32_t samples = 400, dataBytes = samples * 2;
    std::vector<std::uint8_t> out;
    auto put = [&](const char* text) { out.insert(out.end(), text, text + 4); };
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    put("RIFF");
    put32(36 + dataBytes);
    put("WAVE");
    put("fmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    put("data");
    put32(dataBytes);
    for (std::uint32_t i = 0; i < samples; ++i)
        put16(std::uint16_t((i / 10) % 2 ? 8000 : -8000));
    return out;
}

// A type-0 MIDI file: one note of a quarter second.
std::vector<std::uint8_t> tinyMidi()
{
    return {'M', 'T', 'h', 'd', 0,    0,    0,    6,    0,    0,    0,    1,    0x01, 0xE0, 'M',  'T',  'r', 'k',
            0,   0,   0,   13,  0x00, 0x90, 0x3C, 0x64, 0x81, 0x70, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
}

std::set<std::string> g_open; // device names the current input opened

void send(const std::string& command, unsigned capacity)
{
    std::vector<unsigned char> buffer(capacity + kGuardBytes, kGuard);
    const unsigned long error =
        mciSendString(command.c_str(), capacity ? reinterpret_cast<char*>(buffer.data()) : nullptr, capacity, nullptr);
    for (std::size_t i = capacity; i < buffer.size(); ++i) {
        if (buffer[i] != kGuard)
            fail("reply written past the capacity");
    }
    if (capacity > 0 && std::memchr(buffer.data(), 0, capacity) == nullptr)
        fail("reply not NUL-terminated within the capacity");

    Command parsed;
    if (error != 0 || parseCommand(command, parsed) != 0)
        return;
    if (parsed.verb == Verb::Open)
        g_open.insert(parsed.deviceName);
    else if (parsed.verb == Verb::Close)
        g_open.erase(parsed.deviceName);
    else if (parsed.verb == Verb::Status && parsed.statusItem == StatusItem::Mode && capacity > 0) {
        const std::string reply(reinterpret_cast<const char*>(buffer.data()));
        if (reply != "playing" && reply != "paused" && reply != "stopped" && capacity > std::strlen("playing"))
            fail("status mode reply is not a mode");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string& folder = zuvelo::fuzz::scratchFolder();
    if (::chdir(folder.c_str()) != 0)
        fail("cannot enter the scratch folder");
    const auto wav = tinyWav(), midi = tinyMidi();
    zuvelo::fuzz::writeFile("a.wav", wav.data(), wav.size());
    zuvelo::fuzz::writeFile("b.mid", midi.data(), midi.size());
    // The mp3 needs an encoder: the ffmpeg command line, when it is there.
    if (std::system("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=d=0.2 c.mp3") != 0)
        std::fprintf(stderr, "no c.mp3: ffmpeg failed\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t index = 0; index < kMaxCommands && !text.empty(); ++index) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        // A C string ends at its first NUL, as the caller's text would.
        std::string command(text.substr(0, end));
        command.resize(std::strlen(command.c_str()));
        text.remove_prefix(std::min(end + 1, text.size()));

        Command parsed;
        if (parseCommand(command, parsed) == 0 && parsed.verb == Verb::Open &&
            parsed.filePath.find('/') != std::string::npos)
            continue;
        send(command, kCapacities[index % std::size(kCapacities)]);
    }
    for (const std::string& name : g_open)
        mciSendString(("close " + name).c_str(), nullptr, 0, nullptr);
    g_open.clear();
    return 0;
}
