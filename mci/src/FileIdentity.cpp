#include "FileIdentity.h"

#include <utility>

namespace zuvelo::mci {

FileIdentity::FileIdentity(std::string path) : m_path(std::move(path))
{
    ::stat(m_path.c_str(), &m_opened);
}

bool FileIdentity::changedOnDisk() const
{
    struct stat now {};
    return ::stat(m_path.c_str(), &now) == 0 && now.st_dev == m_opened.st_dev && now.st_ino == m_opened.st_ino &&
           (now.st_size != m_opened.st_size || now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec);
}

} // namespace zuvelo::mci
