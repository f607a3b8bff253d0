#include "PlaybackMonitor.h"

#include "handlers/DisplayOperations.h"
#include "handlers/MediaSend.h"
#include "handlers/ModeControls.h"
#include "handlers/TrackSound.h"

#include "player/TrackSelection.h"

namespace zuvelo {

namespace {

// Whether the status query says that the current track could not be opened, in a state where
// the monitor passes such a track over: tracks exist and playback is not paused. Our Linux layer
// answers MediaError::kNameNotOpen for a track whose open failed. The Windows platform never
// does: it opens the file by itself for the query, which then fails with the file's own error
// (a bad format, a missing file), so any failed query counts; and when that auto-open succeeds
// the track reports "stopped", and the close below releases the device it opened.
bool currentTrackFailed(const PlayerState& s, unsigned long statusResult)
{
    return statusResult != 0 && s.nmax >= 1 && s.b1 == 0;
}

// Keeps the record of failed tracks up to date with this tick's status query: a track that is
// open clears it, one that could not be opened (a3, the track last started) joins it. When that
// completes the record, the slow pace starts counting.
void recordStatus(PlayerContext& ctx, unsigned long statusResult, PlayerContext::Clock::time_point now)
{
    const PlayerState& s = ctx.state;
    if (statusResult == 0) {
        ctx.failedTracks.clear();
        return;
    }
    if (!currentTrackFailed(s, statusResult) || ctx.failedTracks.all(s.nmax))
        return;
    ctx.failedTracks.add(s.a3.value(), s.nmax.value());
    if (ctx.failedTracks.all(s.nmax))
        ctx.lastSlowTry = now;
}

// Whether this tick moves on. A track that could not be opened is passed over, right away while
// some track has not failed yet, and at the slow pace once every track has.
bool shouldAdvance(const PlayerContext& ctx, const ReplyField& status, unsigned long statusResult,
                   PlayerContext::Clock::time_point now)
{
    const PlayerState& s = ctx.state;
    if (currentTrackFailed(s, statusResult))
        return !ctx.failedTracks.all(s.nmax) || now - ctx.lastSlowTry >= PlayerContext::kSlowRetryInterval;
    return std::string_view(status.bytes.data(), 7) == "stopped" && s.b1 == 0;
}

} // namespace

void timer1Timer(PlayerContext& ctx)
{
    if (ctx.yieldToEvents)
        ctx.yieldToEvents();
    if (ctx.ending)
        return;

    PlayerState& s = ctx.state;
    ReplyField replyA;
    ReplyField replyB;
    ReplyField replyC;

    takeModeFromCombo1(ctx);
    const unsigned long statusResult = sendCommand(ctx.media, statusModeCommand(s.SoundFile), replyA);
    ctx.lastStatusReply = replyA.text();
    showStatusInCaption(ctx.form, replyA.text());
    const auto now = ctx.now();
    recordStatus(ctx, statusResult, now);
    if (!shouldAdvance(ctx, replyA, statusResult, now))
        return;
    if (ctx.failedTracks.all(s.nmax))
        ctx.lastSlowTry = now; // a slow retry: the next may come kSlowRetryInterval from now

    sendCommand(ctx.media, closeCommand(s.SoundFile), replyB);
    SelectNextTrack(s, SelectionForm::Monitor);
    s.SoundFile = soundFileOf(s);
    sendCommand(ctx.media, openCommand(s.SoundFile));
    showCurrentTrack(ctx.form, s);
    // Nested: HScroll1's handler reads the value back into a2 (the same number) and shows it.
    ctx.form.setHScroll1Value(static_cast<int>(s.a2.value()));
    ctx.form.setText1Text(std::to_string(s.a2.value()));
    sendCommand(ctx.media, seekToStartCommand(s.SoundFile), replyB);
    sendCommand(ctx.media, playCommand(s.SoundFile), replyC);
}

} // namespace zuvelo
