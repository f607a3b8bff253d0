#pragma once

#include "handlers/FormEvents.h"
#include "handlers/PlayerContext.h"

#include <functional>
#include <string>

namespace zuvelo {

// Routes the window's events to the program's handlers, all on one PlayerContext. Plain C++: the
// window and the tests drive it alike. Once shut-down has run, every event is ignored.
class PlayerHandlers : public FormEvents {
public:
    // reportListFailure shows why list.csv could not be written; endProgram ends the event loop
    // after shut-down. Either may be empty.
    PlayerHandlers(PlayerContext& ctx, std::function<void(const std::string&)> reportListFailure,
                   std::function<void()> endProgram);

    void command1Click() override;
    void command2Click() override;
    void command3Click() override;
    void command4Click() override;
    void command5Click() override;
    void combo1Change() override;
    void hScroll1Change() override;
    void text1Change() override;
    void raClick() override;
    void junClick() override;
    void gyaClick() override;
    void lisClick() override;
    void timer1Timer() override;
    void formUnload() override;

private:
    void writeListAndReport(PlayerContext& ctx);

    PlayerContext& m_ctx;
    std::function<void(const std::string&)> m_reportListFailure;
    std::function<void()> m_endProgram;
};

} // namespace zuvelo
