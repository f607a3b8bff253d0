#include "MciMediaControl.h"

#include "mci/mci.h"

namespace zuvelo {

unsigned long MciMediaControl::sendString(const char* command, char* reply, unsigned replyCapacity)
{
    return mciSendString(command, reply, replyCapacity, nullptr);
}

} // namespace zuvelo
