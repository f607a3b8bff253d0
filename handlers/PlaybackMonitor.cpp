#include "PlaybackMonitor.h"

#include "handlers/DisplayOperations.h"
#include "handlers/MediaSend.h"
#include "handlers/ModeControls.h"
#include "handlers/TrackSound.h"

#include "player/TrackSelection.h"

namespace zuvelo {

namespace {

// How long one tick may go on passing over tracks that cannot be opened: half the 100 ms period.
// A round over a folder of bad files then takes at most twice as long as its opens themselves,
// and a click that comes meanwhile waits for the rest of the tick: at most these 50 ms and the one
// open under way (the media layer refuses even a hostile file within about 40 ms), so the window
// still answers within 100 ms.
constexpr std::chrono::milliseconds kPassOverBudget{50};

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

// Closes the current track, chooses the next, opens, shows, rewinds and plays it; true when it
// opened. After a failure in random mode the track after the failed one is taken instead of a
// draw, so that a round over bad tracks tries each once, within nmax opens; the draw still picks
// every track that follows one that played, and the first after a button or menu item.
bool startNextTrack(PlayerContext& ctx, bool afterFailure)
{
    PlayerState& s = ctx.state;
    ReplyField replyB;
    ReplyField replyC;
    sendCommand(ctx.media, closeCommand(s.SoundFile), replyB);
    if (afterFailure && s.a1 == kModeRandom) {
        s.a2 = s.a3 % s.nmax + 1;
        s.a3 = s.a2;
    } else {
        SelectNextTrack(s, SelectionForm::Monitor);
    }
    s.SoundFile = soundFileOf(s);
    const bool opened = sendCommand(ctx.media, openCommand(s.SoundFile)) == 0;
    showCurrentTrack(ctx.form, s);
    // Nested: HScroll1's handler reads the value back into a2 (the same number) and shows it.
    ctx.form.setHScroll1Value(static_cast<int>(s.a2.value()));
    ctx.form.setText1Text(std::to_string(s.a2.value()));
    sendCommand(ctx.media, seekToStartCommand(s.SoundFile), replyB);
    sendCommand(ctx.media, playCommand(s.SoundFile), replyC);
    return opened;
}

// Notes that track a3 could not be opened; true when that completes the round, and from then
// on the slow pace counts.
bool recordFailure(PlayerContext& ctx, PlayerContext::Clock::time_point now)
{
    ctx.failedTracks.add(ctx.state.a3.value(), ctx.state.nmax.value());
    if (!ctx.failedTracks.all(ctx.state.nmax))
        return false;
    ctx.lastSlowTry = now;
    return true;
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

    takeModeFromCombo1(ctx);
    const unsigned long statusResult = sendCommand(ctx.media, statusModeCommand(s.SoundFile), replyA);
    ctx.lastStatusReply = replyA.text();
    showStatusInCaption(ctx.form, replyA.text());
    if (statusResult == 0)
        ctx.failedTracks.clear(); // a track is open: any round over bad tracks is over
    const auto now = ctx.now();
    if (!shouldAdvance(ctx, replyA, statusResult, now))
        return;

    // A round goes on from a track that failed, unless a button or menu item has started afresh.
    bool afterFailure = false;
    if (currentTrackFailed(s, statusResult)) {
        afterFailure = !ctx.failedTracks.empty();
        if (ctx.failedTracks.all(s.nmax))
            ctx.lastSlowTry = now; // a slow retry: the next may come kSlowRetryInterval from now
        else if (recordFailure(ctx, now))
            return;
    }
    // Tracks that cannot be opened are passed over within this tick, as many as the budget allows.
    const auto deadline = now + kPassOverBudget;
    while (!startNextTrack(ctx, afterFailure)) {
        const auto failedAt = ctx.now();
        if (recordFailure(ctx, failedAt) || failedAt >= deadline)
            return;
        afterFailure = true;
    }
}

} // namespace zuvelo
