#include "FolderScan.h"

#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvelo {
namespace {

// Closes a directory stream when the scan leaves its scope, whichever way.
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry's type, following a symbolic link to what it names. readdir's own type answers
// most entries without a system call; links, and file systems that do not fill it in, need a
// stat. A dangling link or an entry that vanished gives 0, which matches neither kind.
mode_t entryKind(int folderFd, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return S_IFDIR;
    case DT_REG:
        return S_IFREG;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info;
        if (::fstatat(folderFd, entry->d_name, &info, 0) != 0)
            return 0;
        return info.st_mode & S_IFMT;
    }
    default:
        return 0; // devices, pipes and sockets are never tracks
    }
}

} // namespace

bool isPlayableName(const std::string& name)
{
    // Compare the tail lower-cased, ASCII only: the suffixes are ASCII, and lowering other bytes
    // could only turn a non-matching name into a matching one by accident.
    auto tail = [&](std::size_t length) {
        std::string lowered = name.substr(name.size() - length);
        for (char& c : lowered)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return lowered;
    };
    if (name.size() >= 3) {
        const std::string last3 = tail(3);
        if (last3 == "wav" || last3 == "wma" || last3 == "mp3" || last3 == "mp2" || last3 == "mid")
            return true;
    }
    return name.size() >= 4 && tail(4) == "midi";
}

void scanFolders(PlayerState& state, const std::function<void()>& yieldToEvents)
{
    if (state.FileList.size() < static_cast<std::size_t>(kMaxTracks) + 1)
        state.FileList.resize(static_cast<std::size_t>(kMaxTracks) + 1);

    // Counted locally and published at the end: handlers that run during a yield must still see
    // the table as not yet built.
    int count = 0;
    const std::string root = state.Pare.empty() ? "/" : state.Pare;
    DirHandle top(::opendir(root.c_str()));
    if (top) {
        const int topFd = ::dirfd(top.get());
        bool full = false;
        while (!full) {
            const dirent* sub = ::readdir(top.get());
            if (sub == nullptr)
                break; // the end, or a read error: either way there is nothing more to visit
            if (isDotOrDotDot(sub->d_name) || entryKind(topFd, sub) != S_IFDIR)
                continue;
            // Copy the name now: the next readdir on the top folder may reuse its storage, and a
            // yield below may run for a while.
            const std::string subName = sub->d_name;

            const int subFd = ::openat(topFd, subName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (subFd < 0)
                continue; // unreadable (permissions, vanished): skip it and go on
            DirHandle folder(::fdopendir(subFd));
            if (!folder) {
                ::close(subFd);
                continue;
            }
            const std::string prefix = "/" + subName + "/";
            while (const dirent* entry = ::readdir(folder.get())) {
                if (isDotOrDotDot(entry->d_name) || entryKind(subFd, entry) != S_IFREG)
                    continue;
                const char* name = entry->d_name;
                if (isPlayableName(name)) {
                    ++count;
                    state.FileList[static_cast<std::size_t>(count)] = prefix + name;
                    if (count == kMaxTracks) {
                        full = true;
                        break;
                    }
                }
                if (yieldToEvents)
                    yieldToEvents();
            }
        }
    }
    state.nmax = count;
}

} // namespace zuvelo
