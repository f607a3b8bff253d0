// Fuzzes the file devices: each input, as a .wav, a .mp3 and a .mid file, is opened on SDL's dummy
// audio driver and played a little. Properties: an open fails only with an open error; then play,
// status, seek, stop and close succeed, status mode replies a mode, and seek to start stops.

#include "FuzzSupport.h"

#include "mci/mci.h"

using zuvelo::fuzz::fail;

// Sends a command on an open device, which must succeed; gives its reply.
static std::string send(const std::string& command)
{
    char reply[255] = "";
    if (mciSendString(command.c_str(), reply, sizeof reply, nullptr) != 0)
        fail(("command on an open device failed: " + command).c_str());
    return reply;
}

[[maybe_unused]] static const int g_dummyAudio = ::setenv("SDL_AUDIODRIVER", "dummy", 1);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const char* extension : {".wav", ".mp3", ".mid"}) {
        const std::string path = zuvelo::fuzz::scratchFolder() + "/input" + extension, device = '"' + path + '"';
        zuvelo::fuzz::writeFile(path, data, size);
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
