#include "FolderEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvelo {
namespace {

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry's kind, following a symbolic link to what it names. readdir's own type answers
// most entries without a system call; links, and file systems that do not fill it in, need a
// stat. A dangling link or an entry that vanished is Other.
EntryKind entryKind(int folderFd, const char* name, unsigned char type)
{
    switch (type) {
    case DT_DIR: return EntryKind::Folder;
    case DT_REG: return EntryKind::File;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info;
        if (::fstatat(folderFd, name, &info, 0) != 0)
            return EntryKind::Other;
        return S_ISDIR(info.st_mode) ? EntryKind::Folder : S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
    }
    default: return EntryKind::Other; // devices, pipes and sockets are never tracks
    }
}

} // namespace

bool forEachFolderEntry(const std::string& folder, const std::function<void(std::string_view, EntryKind)>& visit)
{
    const int fd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false; // unreadable (permissions, vanished): skipped
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!isDotOrDotDot(entry->d_name))
            visit(entry->d_name, entryKind(fd, entry->d_name, entry->d_type));
    }
    ::closedir(dir);
    return true;
}

} // namespace zuvelo
