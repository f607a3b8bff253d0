#include "FolderScan.h"

#include "common/AsciiText.h"
#include "common/PathSeparator.h"

#include "FolderEntries.h"
#include "NaturalOrder.h"

#include <algorithm>
#include <cstdint>

namespace zuvelo {
namespace {

// The entries of one kind of one folder in natural order. The names lie one after another in a
// single buffer, each NUL-terminated, so a folder costs two allocations rather than one per name.
class Listing {
public:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
    };

    // Reads the entries of folder that are of this kind, and sorts them. False when the folder
    // cannot be read.
    bool read(const std::string& folder, EntryKind wanted)
    {
        m_names.clear();
        m_entries.clear();
        const bool readable = forEachFolderEntry(folder, [&](std::string_view name, EntryKind kind) {
            if (kind != wanted)
                return;
            m_entries.push_back({static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size())});
            m_names.append(name).push_back('\0');
        });
        std::sort(m_entries.begin(), m_entries.end(),
                  [this](const Entry& a, const Entry& b) { return naturalLess(name(a), name(b)); });
        return readable;
    }

    const std::vector<Entry>& entries() const { return m_entries; }
    std::string_view name(const Entry& e) const { return {m_names.data() + e.offset, e.length}; }

private:
    std::string m_names;
    std::vector<Entry> m_entries;
};

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
    const auto yield = [&] {
        if (yieldToEvents)
            yieldToEvents();
    };

    // Counted locally and published at the end: handlers that run during a yield must still see
    // the table as not yet built.
    int count = 0;
    std::int64_t leftOut = 0;
    Listing subfolders;
    subfolders.read(state.Pare, EntryKind::Folder);
    Listing files;
    for (const Listing::Entry& sub : subfolders.entries()) {
        const std::string folder = state.Pare + kPathSeparator + std::string(subfolders.name(sub));
        if (count == kMaxTracks) {
            // The table is full: only count what is left out, in whatever order the folder lists
            // it, sorting and keeping nothing.
            forEachFolderEntry(folder, [&](std::string_view name, EntryKind kind) {
                if (kind != EntryKind::File)
                    return;
                leftOut += isPlayableName(name);
                yield();
            });
            continue;
        }
        // Only files are examined (and yielded after); folders, devices and dangling links are
        // passed over as if absent. A subfolder that cannot be read is skipped.
        if (!files.read(folder, EntryKind::File))
            continue;
        const std::string prefix = kPathSeparator + std::string(subfolders.name(sub)) + kPathSeparator;
        for (const Listing::Entry& file : files.entries()) {
            const std::string_view name = files.name(file);
            if (isPlayableName(name)) {
                if (count == kMaxTracks) {
                    ++leftOut;
                } else {
                    ++count;
                    // The table holds tracks 1 to count - 1 (and the unused 0): this one follows.
                    state.FileList.resize(static_cast<std::size_t>(count));
                    state.FileList.append(prefix, name);
                    // No yield after the file that fills the table.
                    if (count == kMaxTracks)
                        continue;
                }
            }
            yield();
        }
    }
    state.nmax = count;
    return leftOut;
}

} // namespace zuvelo
