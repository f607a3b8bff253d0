#include "PlaybackMonitor.h"

#include "handlers/DisplayOperations.h"
#include "handlers/MediaSend.h"
#include "handlers/ModeControls.h"
#include "handlers/TrackSound.h"

#include "player/TrackSelection.h"

namespace zuvelo {

// The media layer's answer to a command on a name that is not open.
constexpr unsigned long kNameNotOpen = MediaError::kNameNotOpen;

namespace {

// Whether this tick moves on, from the status reply and the result of the query.
bool shouldAdvance(PlayerContext& ctx, const ReplyField& status, unsigned long statusResult)
{
    const PlayerState& s = ctx.state;
    if (statusResult == kNameNotOpen && s.nmax >= 1 && s.b1 == 0) {
        // The track could not be opened: pass over it, unless every track has just failed.
        if (ctx.unopenedInRow >= s.nmax)
            return false;
        ++ctx.unopenedInRow;
        return ctx.unopenedInRow < s.nmax;
    }
    if (statusResult == 0)
        ctx.unopenedInRow = 0;
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
    if (!shouldAdvance(ctx, replyA, statusResult))
        return;

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
