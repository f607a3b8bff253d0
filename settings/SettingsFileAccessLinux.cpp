#include "SettingsFileAccess.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace zuvelo {

bool folderListsExactly(const std::string& folder, const char* name)
{
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, name) == 0) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::optional<std::string> readFileHead(const std::string& path, std::size_t limit)
{
    // Non-blocking, so that a pipe under this name cannot hold start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::string bytes(limit, '\0');
    std::size_t size = 0;
    while (size < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(size);
    return bytes;
}

} // namespace zuvelo
