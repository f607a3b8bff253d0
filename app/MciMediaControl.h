#pragma once

#include "player/MediaControl.h"

namespace zuvelo {

// The media seam over the real media layer: every command goes to mciSendString, with no window
// to notify. User-interface thread only.
class MciMediaControl : public MediaControl {
public:
    unsigned long sendString(const char* command, char* reply, unsigned replyCapacity) override;
};

} // namespace zuvelo
