#include "PlayerApp.h"

#include "handlers/Startup.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace zuvelo {

PlayerApp::PlayerApp(std::string programFolder, MediaControl& media, std::function<void()> yieldToEvents,
                     std::function<void()> endProgram)
    : m_programFolder(std::move(programFolder)),
      m_state(std::make_unique<PlayerState>()),
      m_form(std::make_unique<Form1>()),
      m_ctx{*m_state, media, *m_form, std::move(yieldToEvents)},
      m_handlers(
          m_ctx, [this](const std::string& reason) { reportListFailure(reason); },
          endProgram ? std::move(endProgram) : [] { QCoreApplication::exit(0); })
{
    m_form->setEvents(&m_handlers);
}

PlayerApp::~PlayerApp()
{
    m_form->setEvents(nullptr);
}

bool PlayerApp::load()
{
    formLoad(m_ctx, m_programFolder);
    return !m_ctx.ending;
}

void PlayerApp::shutDown()
{
    m_handlers.formUnload(); // does nothing once shut-down has run
}

void PlayerApp::reportListFailure(const std::string& reason)
{
    // Modal, but the event loop keeps running under it: the monitor ticks and playback goes on.
    QMessageBox::warning(m_form.get(), QStringLiteral("Zuvelo"),
                         QString::fromUtf8("再生対象ファイル名リストを作成できませんでした。\n") +
                             QString::fromUtf8(reason.c_str()));
}

} // namespace zuvelo
