// mciplay: plays one file through the media control layer to its end, the way the player does
// (open, play, poll "status ... mode" every 100 ms, close).
//
//   mciplay [--first-sample] [--warm-output] [--pause] FILE
//
// --first-sample prints, once the file has ended, how long the open command took, the
// milliseconds from the open command to the first sample handed to the sound output (which also
// waits for the output's next callback), the underruns while it played, and the output's driver.
// On the server's own stream, opened with the file or just before, that includes the server's
// start: it asks for a buffer's worth at once (silence: the file is not playing yet) and then, a
// PulseAudio null sink at least, for nothing more for 0.5 to 2 s.
// --warm-output opens the sound output before the open command, so that the figures leave out
// the once-a-process cost of starting it (as for every track but the first in the player).
// --pause pauses once, at the first poll after the output has begun to take the file, for three
// polls, then plays on.
// Exit status: 0 when the file played to its end, 1 on a usage error, 2 when a command failed.

#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#if defined(__SANITIZE_THREAD__)
// libpulse is not built with ThreadSanitizer, and hands its own mutexes between its thread and
// ours in ways the sanitizer cannot see. Under -fsanitize=thread it looks only at our accesses.
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
#endif

namespace {

// The player's polling interval.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

bool send(const std::string& command, char* reply = nullptr, unsigned capacity = 0)
{
    const unsigned long error = mciSendString(command.c_str(), reply, capacity, nullptr);
    if (error == 0)
        return true;
    char text[256];
    mciGetErrorString(error, text, sizeof text);
    std::fprintf(stderr, "mciplay: \"%s\" failed with %lu: %s\n", command.c_str(), error, text);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    bool reportFirstSample = false;
    bool warmOutput = false;
    bool pauseOnce = false;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--first-sample") == 0)
            reportFirstSample = true;
        else if (std::strcmp(argv[i], "--warm-output") == 0)
            warmOutput = true;
        else if (std::strcmp(argv[i], "--pause") == 0)
            pauseOnce = true;
        else if (file == nullptr)
            file = argv[i];
        else
            file = nullptr, i = argc;
    }
    if (file == nullptr) {
        std::fprintf(stderr, "usage: mciplay [--first-sample] [--warm-output] [--pause] FILE\n");
        return 1;
    }
    if (warmOutput && mciOpenSoundOutput() != 0)
        return 2;

    const std::string device = std::string("\"") + file + "\"";
    const unsigned long long underrunsBefore = mciUnderrunCount();
    const auto openStart = std::chrono::steady_clock::now();
    if (!send("open " + device))
        return 2;
    const std::chrono::duration<double, std::milli> openTime = std::chrono::steady_clock::now() - openStart;
    if (!send("play " + device))
        return 2;
    char mode[255] = "";
    do {
        std::this_thread::sleep_for(kPollInterval);
        char position[255] = "";
        if (pauseOnce && send("status " + device + " position", position, sizeof position) &&
            std::strcmp(position, "0") != 0) {
            pauseOnce = false;
            if (!send("pause " + device))
                return 2;
            std::this_thread::sleep_for(3 * kPollInterval);
            if (!send("play " + device))
                return 2;
        }
        if (!send("status " + device + " mode", mode, sizeof mode))
            return 2;
    } while (std::strcmp(mode, "stopped") != 0);

    if (reportFirstSample) {
        const long long micros = mciFirstSampleMicros(device.c_str());
        std::printf("open-ms %.3f\n", openTime.count());
        std::printf("first-sample-ms %.3f\n", double(micros) / 1000.0);
        std::printf("underruns %llu\n", mciUnderrunCount() - underrunsBefore);
        std::printf("driver %s\n", mciOutputDriverName());
    }
    if (!send("close " + device))
        return 2;
    // "stopped" comes while the end is still queued (and close lets it play out): the process,
    // and the output with it, stay until that has been heard: at most 110 ms plus three of the
    // output's takes, and the poll's delay.
    std::this_thread::sleep_for(std::chrono::milliseconds(150 + 3 * 1000 * mciOutputBufferFrames() / 48000));
    return 0;
}
