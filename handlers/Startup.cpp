#include "Startup.h"

#include "library/FolderScan.h"
#include "player/TrackSelection.h"
#include "settings/SettingsFile.h"
#include "handlers/DisplayOperations.h"
#include "handlers/MediaSend.h"
#include "handlers/TrackSound.h"

#include <cstdio>

namespace zuvelo {

// The playback monitor's period: ten polls a second bound the gap between two tracks.
constexpr int kMonitorIntervalMs = 100;

void formLoad(PlayerContext& ctx, const std::string& programFolder)
{
    PlayerState& s = ctx.state;

    showLoadingMessage(ctx.form);
    ctx.form.setTimer1Interval(kMonitorIntervalMs);
    s.Pare = programFolder;
    readSettings(s);

    s.ModeName = {"ランダム", "順番", "逆順"};
    for (int i = 0; i <= 2; ++i)
        ctx.form.setCombo1ListEntry(i, s.ModeName[static_cast<std::size_t>(i)]);
    // May run Combo1's change handler nested, which sets a1 to the same mode (0 when it was empty).
    ctx.form.setCombo1Text(ctx.form.combo1ListEntry(static_cast<int>(s.a1.value())));

    const std::int64_t leftOut = scanFolders(s, ctx.yieldToEvents);
    if (ctx.ending)
        return;
    if (leftOut > 0)
        std::fprintf(stderr, "zuvelo: %lld playable files left out; only the first %d, in name order, are played\n",
                     static_cast<long long>(leftOut), kMaxTracks);

    SelectNextTrack(s, SelectionForm::Startup);
    s.SoundFile = soundFileOf(s);
    sendCommand(ctx.media, openCommand(s.SoundFile));

    showCurrentTrack(ctx.form, s);
    if (s.nmax == 0)
        showNoFilesMessage(ctx.form);

    // Nested: HScroll1's handler sets the range, reads a2 back and shows it in Text1.
    ctx.form.setHScroll1Value(static_cast<int>(s.a2.value()));
    ctx.form.setText1Text(std::to_string(s.a2.value()));

    ReplyField replyA;
    ReplyField replyB;
    // A second open of the same name; it fails without effect, as the first open already holds it.
    sendCommand(ctx.media, openLowercaseCommand(s.SoundFile), replyA);
    sendCommand(ctx.media, playCommand(s.SoundFile), replyB);
}

} // namespace zuvelo
