#include "Program.h"

#include "InstanceLock.h"
#include "MciMediaControl.h"
#include "MprisService.h"
#include "PlayerApp.h"
#include "ProgramFolder.h"
#include "SignalCloser.h"

#include "app/EventYield.h"
#include "fileio/FileReplacement.h"
#include "mci/Diagnostics.h"
#include "mci/SoundFont.h"
#include "mci/mci.h"

#include <QApplication>

#include <cstdio>

namespace zuvelo {
namespace {

// The one line the program writes in normal operation: which SDL driver the sound goes to and
// which soundfont MIDI files play with, so that a user who hears nothing can see why. Called once
// the first track has started, when the output is open.
void reportSoundSetup(const std::string& pare)
{
    const std::string driver = mciOutputDriverName();
    const std::string output = driver.empty() ? "not open (nothing has played)" : "SDL driver \"" + driver + "\"";
    const std::string soundFont = mci::chooseSoundFontFile(pare);
    std::fprintf(stderr, "zuvelo: sound output %s; MIDI soundfont %s\n", output.c_str(),
                 soundFont.empty() ? "none found (MIDI files stay silent)" : soundFont.c_str());
}

} // namespace

int runProgram(int argc, char** argv)
{
    // First of all, so that an early SIGINT or SIGTERM still ends in an orderly shut-down.
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

    QApplication app(argc, argv);
    mciSetSoundFontFolder(pare.c_str());
    MciMediaControl media;
    // One yield for the scan and the monitor: cheap enough to run after every file scanned.
    PlayerApp player(pare, media, EventYield{});
    // Closing like a user would: shut-down runs and the settings are written.
    const SignalCloser closer([&player] { player.window().close(); });

    if (!player.load())
        return 0;
    reportSoundSetup(pare);
    player.window().show();
    // The desktop's media keys and panels, once the window is up. Without a session bus the
    // player runs as it would without them.
    MprisService mediaKeys(player);
    if (const auto failure = mediaKeys.start())
        std::fprintf(stderr, "zuvelo: media keys are unavailable: %s\n", failure->c_str());
    return app.exec();
}

} // namespace zuvelo
