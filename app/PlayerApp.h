#pragma once

#include "handlers/PlayerHandlers.h"

#include "ui/Form1.h"
#include "handlers/PlayerContext.h"

#include <functional>
#include <memory>
#include <string>

namespace zuvelo {

// The running player: its state, its window and the handlers between them, over a media seam.
// Create on the user-interface thread after the QApplication; the media seam must outlive it.
class PlayerApp {
public:
    // yieldToEvents runs pending events once (the scan and the monitor yield through it);
    // endProgram ends the event loop once shut-down has run (QCoreApplication::exit by default).
    PlayerApp(std::string programFolder, MediaControl& media, std::function<void()> yieldToEvents,
              std::function<void()> endProgram = {});
    ~PlayerApp();

    // Start-up, before the window is shown. False when the program was closed during it (by a
    // signal while the folders were being scanned); then nothing is left to show.
    bool load();

    // Shut-down, unless it has run already: for ways out that bypass the window's close (Qt
    // ending the process with exit() when the display connection is lost).
    void shutDown();

    Form1& window() { return *m_form; }
    PlayerState& state() { return *m_state; }
    PlayerContext& context() { return m_ctx; }
    // The events the window forwards to: other controllers of the player send theirs here too.
    FormEvents& events() { return m_handlers; }

    // Runs afterTick after every tick of the playback monitor (empty: none), to read the state the
    // tick left.
    void setAfterTick(std::function<void()> afterTick) { m_handlers.afterTick = std::move(afterTick); }

private:
    class TickObservedHandlers final : public PlayerHandlers {
    public:
        using PlayerHandlers::PlayerHandlers;
        void timer1Timer() override
        {
            PlayerHandlers::timer1Timer();
            if (afterTick)
                afterTick();
        }
        std::function<void()> afterTick;
    };

    void reportListFailure(const std::string& reason);

    std::string m_programFolder;
    std::unique_ptr<PlayerState> m_state; // large (the fixed track table): kept off the stack
    std::unique_ptr<Form1> m_form;
    PlayerContext m_ctx;
    TickObservedHandlers m_handlers;
};

} // namespace zuvelo
