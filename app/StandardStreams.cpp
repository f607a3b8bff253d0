#include "StandardStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zuvelo {

void reopenClosedStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open takes the lowest free number: the closed one, as lower ones are open by now.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace zuvelo
