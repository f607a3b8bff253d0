#pragma once

#include "player/MediaControl.h"

namespace zuvelo {

// The media seam on Windows: every command string goes to the platform's own media control
// interface, winmm's mciSendStringW, which picks the device from the file's tail (waveaudio,
// sequencer, or the DirectShow device). The command crosses as UTF-16; the reply comes back as
// UTF-8.
//
// Two answers differ from the Linux layer's, and the handlers meet both: a "status" or "play" of
// a name that is not open opens the file by itself (auto-open), so it fails with the file's own
// error rather than MediaError::kNameNotOpen; and a reply longer than the buffer is cut (at a
// character's edge), not refused with MediaError::kReplyTooLong.
class WinmmMediaControl : public MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override;
};

} // namespace zuvelo
