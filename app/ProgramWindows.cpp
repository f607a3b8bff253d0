#include "Program.h"

#include "InstanceLock.h"
#include "ProgramFolder.h"
#include "WinmmMediaControl.h"

#include "common/WindowsText.h"
#include "fileio/FileReplacement.h"
#include "handlers/PlayerHandlers.h"
#include "handlers/Startup.h"
#include "ui/Form1Windows.h"

#include <chrono>
#include <memory>

namespace zuvelo {
namespace {

// Delivers one message as the window's own loop does: Tab and the arrow keys move between the
// controls first.
void dispatch(HWND window, MSG& message)
{
    if (window && ::IsDialogMessageW(window, &message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

// Runs every message waiting, timer ticks included, then returns: the scan and the monitor yield
// through it. A quit request met here is put back for the main loop. Looking at the queue costs
// a call into the window system, more than the scan spends on a file (under Wine a round trip
// to its server), so a yield within a millisecond of the last one returns at once: a click or a
// tick waits at most that much longer.
class MessageYield {
public:
    explicit MessageYield(const Form1& form) : m_form(form) {}

    void operator()()
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastPass < std::chrono::milliseconds(1))
            return;
        m_lastPass = now;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(int(message.wParam));
                return;
            }
            dispatch(m_form.handle(), message);
        }
    }

private:
    const Form1& m_form;
    std::chrono::steady_clock::time_point m_lastPass{};
};

} // namespace

int runProgram(int, char**)
{
    const std::string pare = programFolder();
    // Before anything shows: a second copy from the same folder ends at once, silently.
    const InstanceLock lock(pare);
    if (!lock.acquired())
        return 0;
    // A copy killed while it wrote its settings or list may have left a temporary file; holding the
    // lock, no writer of this folder can be at work now.
    removeLeftoverReplacements(pare + "\\muini.dat");
    removeLeftoverReplacements(pare + "\\list.csv");

    WinmmMediaControl media;
    const auto state = std::make_unique<PlayerState>(); // large (the fixed track table): off the stack
    std::unique_ptr<PlayerContext> ctx;
    Form1 form(nullptr, [&ctx] { return ctx && ctx->lastStatusReply == "playing"; });
    ctx = std::make_unique<PlayerContext>(*state, media, form, MessageYield(form));
    PlayerHandlers handlers(
        *ctx,
        [&form](const std::string& reason) {
            // Modal, but its own loop keeps the monitor ticking: playback goes on.
            const std::wstring text = L"再生対象ファイル名リストを作成できませんでした。\n" + toUtf16(reason);
            ::MessageBoxW(form.handle(), text.c_str(), L"Zuvelo", MB_OK | MB_ICONWARNING);
        },
        [] { ::PostQuitMessage(0); });
    form.setEvents(&handlers);

    formLoad(*ctx, pare);
    if (ctx->ending)
        return 0;
    form.show();
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0)
        dispatch(form.handle(), message);
    handlers.formUnload(); // does nothing once shut-down has run
    form.setEvents(nullptr);
    return 0;
}

} // namespace zuvelo
