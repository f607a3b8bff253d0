#pragma once

namespace zuvelo {

// The one seam between the player and the media layer, in the platform call's shape.
// The program sends every media command through it; tests put a recording fake in its place.
// Called from the user-interface thread only.
class MediaControl {
public:
    virtual ~MediaControl() = default;

    // Sends one command string. reply may be null when replyCapacity is 0; otherwise it receives
    // the NUL-terminated reply, cut to replyCapacity. Returns 0 or an MCIERR_... code.
    virtual unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) = 0;
};

} // namespace zuvelo
