#include "Program.h"

#include "DisplayFallback.h"
#include "InstanceLock.h"
#include "MciMediaControl.h"
#include "MprisService.h"
#include "PlayerApp.h"
#include "ProgramFolder.h"
#include "SignalCloser.h"
#include "StandardStreams.h"

#include "app/EventYield.h"
#include "fileio/FileReplacement.h"
#include "mci/Diagnostics.h"
#include "mci/mci.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace zuvelo {
namespace {

// The one line the program writes in normal operation: which SDL driver the sound goes to and
// which soundfont MIDI files play with, so that a user who hears nothing can see why. Called once
// the first track has started, when the output is open.
void reportSoundSetup()
{
    const std::string driver = mciOutputDriverName();
    const std::string output = driver.empty()          ? "not open (nothing has played)"
                               : driver == "libpulse" ? "the sound server's own stream (libpulse)"
                                                      : "SDL driver \"" + driver + "\"";
    const std::string soundFont = mciSoundFontFile();
    std::fprintf(stderr, "zuvelo: sound output %s; MIDI soundfont %s\n", output.c_str(),
                 soundFont.empty() ? "none found (MIDI files stay silent)" : soundFont.c_str());
}

// The player while its event loop may run. Qt ends the process with exit(1) when it loses the
// display connection (the X server ended, as at logout), without closing the window; the
// handler below then runs the shut-down, so the settings are written all the same.
PlayerApp* g_runningPlayer = nullptr;

extern "C" void shutDownAtExit()
{
    if (g_runningPlayer != nullptr)
        g_runningPlayer->shutDown();
}

struct RunningPlayer {
    explicit RunningPlayer(PlayerApp& player)
    {
        static const bool registered = std::atexit(shutDownAtExit) == 0;
        (void)registered;
        g_runningPlayer = &player;
    }
    ~RunningPlayer() { g_runningPlayer = nullptr; }
    RunningPlayer(const RunningPlayer&) = delete;
    RunningPlayer& operator=(const RunningPlayer&) = delete;
};

} // namespace

int runProgram(int argc, char** argv)
{
    // Before anything opens a descriptor, which would otherwise take a closed stdout's number.
    reopenClosedStandardStreams();
    // Next, so that an early closing signal still ends in an orderly shut-down.
    SignalCloser::catchSignals();
    const std::string pare = programFolder();
    // Before anything shows: a second copy from the same folder ends at once, silently.
    const InstanceLock lock(pare);
    if (!lock.acquired())
        return 0;
    // A copy killed while it wrote its settings or list may have left a temporary file; holding the
    // lock, no writer of this folder can be at work now.
    removeLeftoverReplacements(pare + "/muini.dat");
    removeLeftoverReplacements(pare + "/list.csv");

    chooseOffscreenWithoutDisplay(argc, argv);
    // Qt's own event loop rather than GLib's, unless asked for: nothing here needs GLib's, whose
    // main context and sources cost about 150 KB of the resident size.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    mciSetSoundFontFolder(pare.c_str());
    MciMediaControl media;
    // One yield for the scan and the monitor: cheap enough to run after every file scanned.
    PlayerApp player(pare, media, EventYield{});
    // Closing like a user would: shut-down runs and the settings are written.
    const SignalCloser closer([&player] { player.window().close(); });
    const RunningPlayer running(player);

    if (!player.load())
        return 0;
    reportSoundSetup();
    player.window().show();
    // The desktop's media keys and panels, once the window is up. Without a session bus the
    // player runs as it would without them.
    MprisService mediaKeys(player);
    if (const auto failure = mediaKeys.start())
        std::fprintf(stderr, "zuvelo: media keys are unavailable: %s\n", failure->c_str());
    return app.exec();
}

} // namespace zuvelo
