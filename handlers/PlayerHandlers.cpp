#include "PlayerHandlers.h"

#include "PlaybackMonitor.h"
#include "Shutdown.h"

#include "library/TrackListExport.h"
#include "handlers/ModeControls.h"
#include "handlers/TransportButtons.h"

#include <cstdio>

namespace zuvelo {

PlayerHandlers::PlayerHandlers(PlayerContext& ctx,
                               std::function<void(const std::string&)> reportListFailure,
                               std::function<void()> endProgram)
    : m_ctx(ctx), m_reportListFailure(std::move(reportListFailure)), m_endProgram(std::move(endProgram))
{
}

#define ZUVELO_FORWARD(event, handler)     \
    void PlayerHandlers::event()           \
    {                                      \
        if (!m_ctx.ending)                 \
            handler(m_ctx);                \
    }

ZUVELO_FORWARD(command1Click, zuvelo::command1Click)
ZUVELO_FORWARD(command2Click, zuvelo::command2Click)
ZUVELO_FORWARD(command3Click, zuvelo::command3Click)
ZUVELO_FORWARD(command4Click, zuvelo::command4Click)
ZUVELO_FORWARD(command5Click, zuvelo::command5Click)
ZUVELO_FORWARD(combo1Change, zuvelo::combo1Change)
ZUVELO_FORWARD(hScroll1Change, zuvelo::hScroll1Change)
ZUVELO_FORWARD(text1Change, zuvelo::text1Change)
ZUVELO_FORWARD(raClick, zuvelo::raClick)
ZUVELO_FORWARD(junClick, zuvelo::junClick)
ZUVELO_FORWARD(gyaClick, zuvelo::gyaClick)
ZUVELO_FORWARD(timer1Timer, zuvelo::timer1Timer)

#undef ZUVELO_FORWARD

void PlayerHandlers::lisClick()
{
    if (m_ctx.ending)
        return;
    // Playback goes on whatever happens here: a failure is only reported.
    if (const auto failure = writeTrackList(m_ctx.state); failure && m_reportListFailure)
        m_reportListFailure(*failure);
}

void PlayerHandlers::formUnload()
{
    if (m_ctx.ending)
        return;
    if (const auto failure = zuvelo::formUnload(m_ctx))
        std::fprintf(stderr, "zuvelo: the settings could not be saved: %s\n", failure->c_str());
    if (m_endProgram)
        m_endProgram();
}

} // namespace zuvelo
