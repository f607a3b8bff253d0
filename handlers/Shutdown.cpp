#include "Shutdown.h"

#include "settings/SettingsFile.h"
#include "handlers/MediaSend.h"

namespace zuvelo {

std::optional<std::string> formUnload(PlayerContext& ctx)
{
    ctx.ending = true;
    ctx.form.setTimer1Interval(0);
    ReplyField replyA;
    ReplyField replyB;
    sendCommand(ctx.media, stopCommand(ctx.state.SoundFile), replyA);
    sendCommand(ctx.media, closeCommand(ctx.state.SoundFile), replyB);
    return writeSettings(ctx.state);
}

} // namespace zuvelo
