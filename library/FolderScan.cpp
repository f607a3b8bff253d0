#include "FolderScan.h"

#include "common/AsciiText.h"

#include "NaturalOrder.h"

#include <algorithm>
#include <cstdint>
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
mode_t entryKind(int folderFd, const char* name, unsigned char type)
{
    switch (type) {
    case DT_DIR: return S_IFDIR;
    case DT_REG: return S_IFREG;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info;
        if (::fstatat(folderFd, name, &info, 0) != 0)
            return 0;
        return info.st_mode & S_IFMT;
    }
    default: return 0; // devices, pipes and sockets are never tracks
    }
}

// The entries of one folder in natural order. The names lie one after another in a single
// buffer, each NUL-terminated, so a folder costs two allocations rather than one per name.
class Listing {
public:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
    };

    // Reads the entries that keep(name, d_type) accepts, never "." and "..", and sorts them. A
    // read error ends the listing like its end does: there is nothing more to list either way.
    template <typename Keep>
    void read(DIR* dir, Keep keep)
    {
        m_names.clear();
        m_entries.clear();
        while (const dirent* entry = ::readdir(dir)) {
            if (isDotOrDotDot(entry->d_name) || !keep(entry->d_name, entry->d_type))
                continue;
            const std::size_t length = std::char_traits<char>::length(entry->d_name);
            m_entries.push_back({static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(length)});
            m_names.append(entry->d_name, length + 1);
        }
        std::sort(m_entries.begin(), m_entries.end(),
                  [this](const Entry& a, const Entry& b) { return naturalLess(name(a), name(b)); });
    }

    const std::vector<Entry>& entries() const { return m_entries; }
    std::string_view name(const Entry& e) const { return {m_names.data() + e.offset, e.length}; }
    const char* cName(const Entry& e) const { return m_names.data() + e.offset; }

private:
    std::string m_names;
    std::vector<Entry> m_entries;
};

DirHandle openSubfolder(int topFd, const char* name)
{
    const int fd = ::openat(topFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr; // unreadable (permissions, vanished): skipped
    DirHandle dir(::fdopendir(fd));
    if (!dir)
        ::close(fd);
    return dir;
}

} // namespace

bool isPlayableName(std::string_view name)
{
    for (const std::string_view suffix : {"wav", "wma", "mp3", "mp2", "mid", "midi"}) {
        if (endsWithIgnoringAsciiCase(name, suffix))
            return true;
    }
    return false;
}

std::int64_t scanFolders(PlayerState& state, const std::function<void()>& yieldToEvents)
{
    if (state.FileList.size() < static_cast<std::size_t>(kMaxTracks) + 1)
        state.FileList.resize(static_cast<std::size_t>(kMaxTracks) + 1);
    const auto yield = [&] {
        if (yieldToEvents)
            yieldToEvents();
    };

    // Counted locally and published at the end: handlers that run during a yield must still see
    // the table as not yet built.
    int count = 0;
    std::int64_t leftOut = 0;
    const std::string root = state.Pare.empty() ? "/" : state.Pare;
    DirHandle top(::opendir(root.c_str()));
    if (top) {
        const int topFd = ::dirfd(top.get());
        Listing subfolders;
        subfolders.read(top.get(),
                        [&](const char* name, unsigned char type) { return entryKind(topFd, name, type) == S_IFDIR; });
        Listing files;
        for (const Listing::Entry& sub : subfolders.entries()) {
            DirHandle folder = openSubfolder(topFd, subfolders.cName(sub));
            if (!folder)
                continue;
            const int subFd = ::dirfd(folder.get());
            if (count == kMaxTracks) {
                // The table is full: only count what is left out, in whatever order the folder
                // lists it, sorting and keeping nothing.
                while (const dirent* entry = ::readdir(folder.get())) {
                    if (isDotOrDotDot(entry->d_name) || entryKind(subFd, entry->d_name, entry->d_type) != S_IFREG)
                        continue;
                    leftOut += isPlayableName(entry->d_name);
                    yield();
                }
                continue;
            }
            // Only files are examined (and yielded after); folders, devices and dangling links
            // are passed over as if absent.
            files.read(folder.get(),
                       [&](const char* name, unsigned char type) { return entryKind(subFd, name, type) == S_IFREG; });
            const std::string prefix = "/" + std::string(subfolders.name(sub)) + "/";
            for (const Listing::Entry& file : files.entries()) {
                const std::string_view name = files.name(file);
                if (isPlayableName(name)) {
                    if (count == kMaxTracks) {
                        ++leftOut;
                    } else {
                        ++count;
                        state.FileList[static_cast<std::size_t>(count)].assign(prefix).append(name);
                        // No yield after the file that fills the table.
                        if (count == kMaxTracks)
                            continue;
                    }
                }
                yield();
            }
        }
    }
    state.nmax = count;
    return leftOut;
}

} // namespace zuvelo
