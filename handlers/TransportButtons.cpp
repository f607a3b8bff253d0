#include "TransportButtons.h"

#include "MediaSend.h"

#include "common/AsciiText.h"

namespace zuvelo {
namespace {

// Resumes a paused track before the stop that follows, so it ends up stopped with b1 = 0 however
// it was paused.
void playIfPaused(PlayerContext& ctx, ReplyField& reply)
{
    if (ctx.state.b1 == 1)
        sendCommand(ctx.media, playCommand(ctx.state.SoundFile), reply);
}

// In the ordered modes the monitor's selection steps on from a2, so a restart leaves a2 one step
// behind the track to start again. Only 0 and nmax are checked (not < 1 or > nmax): the
// values 0 and nmax + 1 left at the ends are wrapped by the selection itself.
void stepBackForRestart(PlayerState& s)
{
    if (s.a1 == kModeInOrder) {
        s.a2 = s.a2 - 1;
        if (s.a2 == 0)
            s.a2 = s.nmax;
    }
    if (s.a1 == kModeReverse) {
        s.a2 = s.a2 + 1;
        if (s.a2 == s.nmax)
            s.a2 = 0;
    }
}

} // namespace

bool isMidiSoundFile(const std::string& soundFile)
{
    std::string name = soundFile;
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    return endsWithIgnoringAsciiCase(name, "mid") || endsWithIgnoringAsciiCase(name, "midi");
}

void command1Click(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    ReplyField reply;
    playIfPaused(ctx, reply);
    s.b1 = 0;
    sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
}

void command2Click(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    ReplyField reply;
    s.b2 = 1;
    playIfPaused(ctx, reply);
    s.b1 = 0;
    // The selection steps forward (in order) or back (reverse) from a2, so leave a2 one step
    // behind the track to restart; in random mode b2 makes it replay a3.
    if (s.a1 == kModeRandom)
        s.a2 = s.a3;
    stepBackForRestart(s);
    sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
}

void command3Click(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    // In random mode there is no "previous": the button does nothing at all, not even unpause.
    if (s.a1 == kModeRandom)
        return;
    ReplyField reply;
    playIfPaused(ctx, reply);
    s.b1 = 0;
    if (s.a1 == kModeInOrder) {
        s.a2 = s.a2 - 2;
        if (s.a2 <= 0)
            s.a2 = s.a2 + s.nmax;
    }
    if (s.a1 == kModeReverse) {
        s.a2 = s.a2 + 2;
        if (s.a2 > s.nmax)
            s.a2 = s.a2 - s.nmax;
    }
    sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
}

void command4Click(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    ReplyField reply;
    s.b1 = 1;
    // A MIDI track is stopped rather than paused ("play " resumes it from where it stopped); b1
    // keeps the monitor from taking that stop for the end of the track.
    if (isMidiSoundFile(s.SoundFile))
        sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
    else
        sendCommand(ctx.media, pauseCommand(s.SoundFile), reply);
}

void command5Click(PlayerContext& ctx)
{
    PlayerState& s = ctx.state;
    ReplyField reply;
    if (s.b1 == 1) {
        sendCommand(ctx.media, playCommand(s.SoundFile), reply);
        s.b1 = 0;
        return;
    }
    if (s.a1 == kModeRandom)
        return;
    // Not paused in an ordered mode: start the current track again from its beginning.
    stepBackForRestart(s);
    sendCommand(ctx.media, stopCommand(s.SoundFile), reply);
}

} // namespace zuvelo
