// Fuzzes the media layer's file devices: each input's bytes are written to a file named .wav, then
// .mp3, then .mid, and each in turn is opened through mciSendString on SDL's dummy audio driver.
// When the open succeeds the file is played a little (play, status mode, position and length, a
// pause and a resume, a seek to the start, play again, stop) and closed.
//
// Properties: an open either succeeds or fails with one of the open errors the layer documents;
// on an open device every command of that sequence succeeds, "status ... mode" answers a mode, and
// a seek to the start leaves the device stopped.

#include "FuzzSupport.h"

#include "mci/mci.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

using zuvelo::fuzz::fail;

namespace {

// Lets the decoding thread and the output run for a moment after play. Kept short: the point is
// to reach the decoding of more than the first chunk, not to listen.
constexpr auto kPlayMoment = std::chrono::milliseconds(2);

std::string g_lastReply;

unsigned long send(const std::string& command)
{
    char reply[255] = "";
    const unsigned long error = mciSendString(command.c_str(), reply, sizeof reply, nullptr);
    g_lastReply = reply;
    return error;
}

void mustSucceed(const std::string& command)
{
    if (const unsigned long error = send(command); error != 0) {
        std::fprintf(stderr, "\"%s\" failed with %lu\n", command.c_str(), error);
        fail("command on an open device failed");
    }
}

void playALittle(const std::string& device)
{
    auto cmd = [&](const char* verb, const char* tail = "") { return std::string(verb) + device + tail; };

    // play on a device at its end already stays stopped and succeeds, so play never fails here.
    mustSucceed(cmd("play "));
    std::this_thread::sleep_for(kPlayMoment);
    mustSucceed(cmd("status ", " mode"));
    if (g_lastReply != "playing" && g_lastReply != "stopped" && g_lastReply != "paused")
        fail("status mode reply is not a mode");
    const bool playing = g_lastReply == "playing";

    mustSucceed(cmd("status ", " length"));
    mustSucceed(cmd("status ", " position"));

    // pause is only valid while playing; the device may have ended in between, so its result
    // is not checked.
    if (playing && send(cmd("pause ")) == 0)
        send(cmd("resume "));
    mustSucceed(cmd("seek ", " to start"));
    mustSucceed(cmd("status ", " mode"));
    if (g_lastReply != "stopped")
        fail("seek to start did not leave the device stopped");
    mustSucceed(cmd("play "));
    mustSucceed(cmd("stop "));
    mustSucceed(cmd("close "));
}

bool isOpenError(unsigned long error)
{
    return error == MCIERR_FILE_NOT_FOUND || error == MCIERR_INVALID_FILE || error == MCIERR_INTERNAL;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (const char* extension : {".wav", ".mp3", ".mid"}) {
        const std::string path = zuvelo::fuzz::scratchFolder() + "/input" + extension;
        zuvelo::fuzz::writeFile(path, data, size);
        const std::string device = "\"" + path + "\"";
        const unsigned long error = send("open " + device);
        if (error == 0)
            playALittle(device);
        else if (!isOpenError(error)) {
            std::fprintf(stderr, "open failed with %lu\n", error);
            fail("open failed with an error that is not an open error");
        }
    }
    return 0;
}
