// Fuzzes the file devices: each input, as a .wav, a .mp3 and a .mid file, is opened on SDL's dummy
// audio driver and played a little. Properties: an open fails only with an open error; then play,
// status, seek, stop and close succeed, status mode replies a mode, and seek to start stops.

#include "mci/mci.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// Reports a broken property and stops, so that libFuzzer keeps the input as a crash.
[[noreturn]] static void fail(const std::string& what)
{
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}

// Sends a command on an open device, which must succeed; gives its reply.
static std::string send(const std::string& command)
{
    char reply[255] = "";
    if (mciSendString(command.c_str(), reply, sizeof reply, nullptr) != 0)
        fail("command on an open device failed: " + command);
    return reply;
}

[[maybe_unused]] static const int g_dummyAudio = ::setenv("SDL_AUDIODRIVER", "dummy", 1);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A private folder under $TMPDIR or /tmp, made once and left for the system to clean.
    static std::string folder = std::filesystem::temp_directory_path() / "zuvelo-fuzz-XXXXXX";
    static const char* made = ::mkdtemp(folder.data());
    for (const char* extension : {".wav", ".mp3", ".mid"}) {
        const std::string path = folder + "/input" + extension, device = '"' + path + '"';
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        if (made == nullptr || !file.write(reinterpret_cast<const char*>(data), long(size)).flush())
            fail("cannot write the input to a scratch file");
        const unsigned long error = mciSendString(("open " + device).c_str(), nullptr, 0, nullptr);
        if (error != 0 && error != MCIERR_FILE_NOT_FOUND && error != MCIERR_INVALID_FILE && error != MCIERR_INTERNAL)
            fail("open failed with an error that is not an open error");
        if (error != 0)
            continue;
        send("play " + device); // on a device at its end already, play succeeds and it stays stopped
        ::usleep(2000);         // decoding past the first chunk
        const std::string mode = send("status " + device + " mode");
        if (mode != "playing" && mode != "stopped" && mode != "paused")
            fail("status mode reply is not a mode");
        send("status " + device + " length");
        send("status " + device + " position");
        // Pause is valid only while playing, and the device may have ended since: neither is checked.
        if (mode == "playing" && mciSendString(("pause " + device).c_str(), nullptr, 0, nullptr) == 0)
            mciSendString(("resume " + device).c_str(), nullptr, 0, nullptr);
        send("seek " + device + " to start");
        if (send("status " + device + " mode") != "stopped")
            fail("seek to start did not leave the device stopped");
        for (const char* verb : {"play ", "stop ", "close "})
            send(verb + device);
    }
    return 0;
}
