#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace zuvelo {

// The track table's texts, packed: each entry's bytes follow its length in blocks of 64 KB, and
// an entry is found through four bytes of block and offset. A std::string an entry would cost 32
// bytes before its text (1.6 MB at 50,000 tracks); here a short entry costs five beyond it.
//
// The blocks are allocated one at a time and never moved, so the table grows without the copy a
// single buffer would make (twice its size for a moment) and ends at most one block above its use.
class TrackTable {
public:
    TrackTable() = default;
    explicit TrackTable(std::size_t size) { resize(size); }

    std::size_t size() const { return m_where.size(); }
    // Grows with empty entries, or drops the entries from size on.
    void resize(std::size_t size);
    // Entry n (below size()) becomes first followed by second.
    void set(std::size_t n, std::string_view first, std::string_view second = {});
    // Entry n, below size(); valid until the entry is set again or the table destroyed.
    std::string_view operator[](std::size_t n) const;

private:
    static constexpr std::size_t kBlockBytes = std::size_t(1) << 16;
    static constexpr std::uint32_t kEmpty = UINT32_MAX;

    // Room for bytes bytes in the last block, or a new one; the block and offset of that room.
    std::uint32_t reserve(std::size_t bytes);

    std::vector<std::uint32_t> m_where; // per entry: block << 16 | offset, or kEmpty
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_lastUsed = kBlockBytes; // bytes taken in the last block; full before the first
};

} // namespace zuvelo
