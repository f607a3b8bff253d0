#include "RecordingMediaControl.h"

#include <algorithm>
#include <cstring>

namespace zuvelo::testing {
namespace {

// Answers into reply as the media layer does: emptied on entry, then the NUL-terminated text, or
// kReplyTooLong and an empty buffer when the text does not fit.
unsigned long copyReply(const std::string& text, char* reply, unsigned replyCapacity)
{
    if (reply == nullptr || replyCapacity == 0)
        return 0;
    reply[0] = '\0';
    if (text.size() >= replyCapacity)
        return MediaError::kReplyTooLong;
    std::memcpy(reply, text.data(), text.size() + 1);
    return 0;
}

} // namespace

unsigned long RecordingMediaControl::sendString(const char* command, char* reply, unsigned replyCapacity)
{
    Call call;
    call.command = command != nullptr ? command : "";
    call.replyCapacity = replyCapacity;
    call.replyBufferGiven = reply != nullptr;

    const bool status = isStatusQuery(call.command);
    if (reply != nullptr && replyCapacity > 0)
        reply[0] = '\0'; // emptied on entry, whatever the answer
    if (auto it = m_commandErrors.find(call.command); it != m_commandErrors.end()) {
        call.result = it->second;
    } else if (status) {
        call.result = m_statusError != 0 ? m_statusError : copyReply(m_mode, reply, replyCapacity);
    } else {
        call.result = m_commandError != 0 ? m_commandError : copyReply("", reply, replyCapacity);
    }
    m_calls.push_back(call);
    return call.result;
}

void RecordingMediaControl::setMode(std::string mode)
{
    m_mode = std::move(mode);
}
void RecordingMediaControl::failStatusWith(unsigned long code)
{
    m_statusError = code;
}
void RecordingMediaControl::failCommandsWith(unsigned long code)
{
    m_commandError = code;
}

void RecordingMediaControl::failCommand(const std::string& command, unsigned long code)
{
    if (code == 0)
        m_commandErrors.erase(command);
    else
        m_commandErrors[command] = code;
}

std::vector<std::string> RecordingMediaControl::commands() const
{
    std::vector<std::string> texts;
    for (const Call& call : m_calls)
        texts.push_back(call.command);
    return texts;
}

std::vector<std::string> RecordingMediaControl::actions() const
{
    std::vector<std::string> texts;
    for (const Call& call : m_calls)
        if (!isStatusQuery(call.command))
            texts.push_back(call.command);
    return texts;
}

int RecordingMediaControl::count(const std::string& command) const
{
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const Call& call) { return call.command == command; }));
}

bool RecordingMediaControl::isStatusQuery(const std::string& command)
{
    static const std::string prefix = "status ";
    static const std::string suffix = " mode";
    return command.size() >= prefix.size() + suffix.size() && command.compare(0, prefix.size(), prefix) == 0 &&
           command.compare(command.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace zuvelo::testing
