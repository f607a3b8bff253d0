#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zuvelo {

// The track table's texts, packed for a library of 50,000 tracks: a std::string an entry would
// cost 32 bytes before its text (1.6 MB), where here a short name costs one beyond its bytes.
//
// Entries are appended in order, a folder and a name: the folder's text is kept once for the run
// of entries that share it, and the names follow one another in blocks of 64 KB, each after its
// length. Every 16th entry's place is noted, and an entry is found from the note before it by
// stepping over at most 15 names. The blocks are allocated one at a time and never moved, so the
// table grows without the copy a single buffer would make (twice its size for a moment).
//
// Replacing an entry (set) is meant to be rare: the new text is kept aside in a map.
class TrackTable {
public:
    TrackTable() = default;
    explicit TrackTable(std::size_t size) { resize(size); }

    std::size_t size() const { return m_size; }
    // Grows with empty entries, or drops the entries from size on.
    void resize(std::size_t size);
    // A new last entry: folder followed by name.
    void append(std::string_view folder, std::string_view name);
    // Entry n, below size(), becomes text.
    void set(std::size_t n, std::string_view text);
    // Entry n, below size().
    std::string operator[](std::size_t n) const;

private:
    static constexpr std::size_t kBlockBytes = std::size_t(1) << 16;
    static constexpr std::size_t kEntriesPerMark = 16;

    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity;
        std::size_t used;
    };
    struct Place {
        std::size_t block;
        std::size_t offset;
    };
    struct Folder {
        std::size_t first; // the number of its first entry
        std::string text;
    };

    // Adds an entry of code (0: empty; else the name's length plus one) and the name's bytes.
    void appendRecord(std::size_t code, std::string_view name);
    // Where entry n's record begins; where the record at place ends in its block; the record
    // after the one at place.
    Place placeOf(std::size_t n) const;
    std::size_t endOf(Place place) const;
    Place next(Place place) const;
    const char* at(Place place) const { return &m_blocks[place.block].bytes[place.offset]; }

    std::size_t m_size = 0;
    std::vector<Block> m_blocks;
    std::vector<Place> m_marks;    // the place of entries 0, 16, 32, ...
    std::vector<Folder> m_folders; // by first entry
    std::map<std::size_t, std::string> m_replaced;
};

} // namespace zuvelo
