#include "Program.h"

#include "InstanceLock.h"
#include "MciMediaControl.h"
#include "PlayerApp.h"
#include "ProgramFolder.h"
#include "SignalCloser.h"

#include "library/EventYield.h"
#include "mci/mci.h"

#include <QApplication>

namespace zuvelo {

int runProgram(int argc, char** argv)
{
    // First of all, so that an early SIGINT or SIGTERM still ends in an orderly shut-down.
    SignalCloser::catchSignals();
    const std::string pare = programFolder();
    // Before anything shows: a second copy from the same folder ends at once, silently.
    const InstanceLock lock(pare);
    if (!lock.acquired())
        return 0;

    QApplication app(argc, argv);
    mciSetSoundFontFolder(pare.c_str());
    MciMediaControl media;
    // One yield for the scan and the monitor: cheap enough to run after every file scanned.
    PlayerApp player(pare, media, EventYield{});
    // Closing like a user would: shut-down runs and the settings are written.
    const SignalCloser closer([&player] { player.window().close(); });

    if (!player.load())
        return 0;
    player.window().show();
    return app.exec();
}

} // namespace zuvelo
