#include "PlayerHandlers.h"

#include "PlaybackMonitor.h"
#include "Shutdown.h"

#include "library/TrackListExport.h"
#include "handlers/ModeControls.h"
#include "handlers/TransportButtons.h"

#include <cstdio>

namespace zuvelo {

PlayerHandlers::PlayerHandlers(PlayerContext& ctx, std::function<void(const std::string&)> reportListFailure,
                               std::function<void()> endProgram)
    : m_ctx(ctx),
      m_reportListFailure(std::move(reportListFailure)),
      m_endProgram(std::move(endProgram))
{
}

#define ZUVELO_FORWARD(event, handler)                                                                                 \
    void PlayerHandlers::event()                                                                                       \
    {                                                                                                                  \
        if (!m_ctx.ending)                                                                                             \
            handler(m_ctx);                                                                                            \
    }

ZUVELO_FORWARD(combo1Change, zuvelo::combo1Change)
ZUVELO_FORWARD(hScroll1Change, zuvelo::hScroll1Change)
ZUVELO_FORWARD(text1Change, zuvelo::text1Change)
ZUVELO_FORWARD(timer1Timer, zuvelo::timer1Timer)

// Buttons and menu items: whatever the user does starts a fresh round over tracks that failed.
#define ZUVELO_FORWARD_USER_ACTION(event, handler)                                                                     \
    void PlayerHandlers::event()                                                                                       \
    {                                                                                                                  \
        if (!m_ctx.ending) {                                                                                           \
            m_ctx.failedTracks.clear();                                                                                \
            handler(m_ctx);                                                                                            \
        }                                                                                                              \
    }

ZUVELO_FORWARD_USER_ACTION(command1Click, zuvelo::command1Click)
ZUVELO_FORWARD_USER_ACTION(command2Click, zuvelo::command2Click)
ZUVELO_FORWARD_USER_ACTION(command3Click, zuvelo::command3Click)
ZUVELO_FORWARD_USER_ACTION(command4Click, zuvelo::command4Click)
ZUVELO_FORWARD_USER_ACTION(command5Click, zuvelo::command5Click)
ZUVELO_FORWARD_USER_ACTION(raClick, zuvelo::raClick)
ZUVELO_FORWARD_USER_ACTION(junClick, zuvelo::junClick)
ZUVELO_FORWARD_USER_ACTION(gyaClick, zuvelo::gyaClick)
ZUVELO_FORWARD_USER_ACTION(lisClick, writeListAndReport)

#undef ZUVELO_FORWARD_USER_ACTION
#undef ZUVELO_FORWARD

void PlayerHandlers::writeListAndReport(PlayerContext& ctx)
{
    // Playback goes on whatever happens here: a failure is only reported.
    if (const auto failure = writeTrackList(ctx.state); failure && m_reportListFailure)
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
