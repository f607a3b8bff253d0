#pragma once

namespace zuvelo {

// The media layer's result codes that the player tells apart, in the platform's numbering.
namespace MediaError {
constexpr unsigned long kNameNotOpen = 263;  // the command names a device that is not open
constexpr unsigned long kReplyTooLong = 268; // the reply does not fit the caller's buffer
} // namespace MediaError

// The one seam between the player and the media layer, in the platform call's shape.
// The program sends every media command through it; tests put a recording fake in its place.
// Called from the user-interface thread only.
class MediaControl {
public:
    virtual ~MediaControl() = default;

    // Sends one command string and returns 0 or an MCIERR_... code. reply may be null when
    // replyCapacity is 0. Otherwise the reply buffer is emptied on entry and then receives the
    // NUL-terminated reply; a reply that does not fit replyCapacity (its NUL included) fails with
    // MediaError::kReplyTooLong and leaves the buffer empty. The Windows platform, which this
    // seam passes straight to there, differs twice (app/WinmmMediaControl.h): it cuts such a reply
    // instead, and a "status" or "play" of a name not open opens the file first.
    virtual unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) = 0;
};

} // namespace zuvelo
