#include "WinmmMediaControl.h"

#include "common/WindowsText.h"

#include <mmsystem.h>

#include <cstring>
#include <vector>

namespace zuvelo {
namespace {

// The longest prefix of text that fits capacity bytes without splitting a UTF-8 sequence.
std::size_t fittingLength(const std::string& text, std::size_t capacity)
{
    if (text.size() <= capacity)
        return text.size();
    std::size_t length = capacity;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length; // text[length] continues a character that began before it
    return length;
}

} // namespace

unsigned long WinmmMediaControl::sendString(const char* command, char* reply, unsigned replyCapacity)
{
    if (reply != nullptr && replyCapacity > 0)
        reply[0] = '\0';
    const std::wstring wide = toUtf16(command);
    // The platform counts the reply in UTF-16 units; as many as the caller's bytes always hold
    // the reply the platform would give an ANSI caller of the same capacity.
    std::vector<wchar_t> wideReply(replyCapacity > 0 ? replyCapacity : 1, L'\0');
    const MCIERROR result =
        ::mciSendStringW(wide.c_str(), replyCapacity > 0 ? wideReply.data() : nullptr, replyCapacity, nullptr);
    if (reply == nullptr || replyCapacity == 0)
        return result;
    wideReply.back() = L'\0';
    const std::string text = toUtf8(wideReply.data()).value_or(std::string());
    const std::size_t length = fittingLength(text, replyCapacity - 1);
    std::memcpy(reply, text.data(), length);
    reply[length] = '\0';
    return result;
}

} // namespace zuvelo
