#include "InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zuvelo {

InstanceLock::InstanceLock(const std::string& folder)
{
    const int fd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_handle = fd;
    if (fd < 0) {
        m_acquired = true;
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    m_acquired = result == 0 || errno != EWOULDBLOCK;
}

InstanceLock::~InstanceLock()
{
    if (m_handle >= 0)
        ::close(static_cast<int>(m_handle)); // closing the last descriptor releases the lock
}

} // namespace zuvelo
