#include "ModeControls.h"

#include "MediaSend.h"

#include <algorithm>

namespace zuvelo {
namespace {

// The three mode menu items: unpause, set the mode (and a2 for jun and gya), show the mode's name
// in Combo1 (which may run its change handler nested), then stop the current track.
void chooseMode(PlayerContext& ctx, int mode)
{
    PlayerState& s = ctx.state;
    s.b1 = 0;
    s.a1 = mode;
    // The selection steps from a2, so jun leaves 1 (track 2 comes next) and gya nmax (nmax - 1
    // comes next).
    if (mode == kModeInOrder)
        s.a2 = 1;
    if (mode == kModeReverse)
        s.a2 = s.nmax;
    ctx.form.setCombo1Text(s.ModeName[static_cast<std::size_t>(mode)]);
    ReplyField reply;
    sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
}

} // namespace

void takeModeFromCombo1(PlayerContext& ctx)
{
    for (int i = 0; i <= 2; ++i) {
        if (ctx.form.combo1Text() == ctx.state.ModeName[static_cast<std::size_t>(i)])
            ctx.state.a1 = i;
    }
}

void combo1Change(PlayerContext& ctx)
{
    takeModeFromCombo1(ctx);
}

void raClick(PlayerContext& ctx)
{
    chooseMode(ctx, kModeRandom);
}
void junClick(PlayerContext& ctx)
{
    chooseMode(ctx, kModeInOrder);
}
void gyaClick(PlayerContext& ctx)
{
    chooseMode(ctx, kModeReverse);
}

void hScroll1Change(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    // The range is every track number. With no tracks at all the maximum stays at the minimum, so
    // the bar never hands back a track 0.
    ctx.form.setHScroll1Minimum(1);
    ctx.form.setHScroll1Maximum(static_cast<int>(std::clamp<std::int64_t>(s.nmax, 1, kMaxTracks)));
    s.a2 = ctx.form.hScroll1Value();
    ctx.form.setText1Text(std::to_string(s.a2.value()));
}

void text1Change(PlayerContext& ctx)
{
    // Text1 is a display: whatever is typed, it shows a2 again (this runs once more, nested, and
    // then finds nothing to change).
    ctx.form.setText1Text(std::to_string(ctx.state.a2.value()));
}

} // namespace zuvelo
