#include "TrackTable.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

namespace zuvelo {
namespace {

// A number as seven bits a byte, low first, the high bit set on all but the last byte.
std::size_t codeBytes(std::size_t code)
{
    std::size_t bytes = 1;
    for (; code >= 0x80; code >>= 7)
        ++bytes;
    return bytes;
}

char* writeCode(char* to, std::size_t code)
{
    for (; code >= 0x80; code >>= 7)
        *to++ = char((code & 0x7F) | 0x80);
    *to++ = char(code);
    return to;
}

const char* readCode(const char* from, std::size_t& code)
{
    code = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*from++);
        code |= std::size_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return from;
    }
}

} // namespace

void TrackTable::appendRecord(std::size_t code, std::string_view name)
{
    const std::size_t bytes = codeBytes(code) + name.size();
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < bytes) {
        // A name longer than a block gets one of its own.
        const std::size_t capacity = std::max(bytes, kBlockBytes);
        m_blocks.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    Block& block = m_blocks.back();
    if (m_size % kEntriesPerMark == 0)
        m_marks.push_back({m_blocks.size() - 1, block.used});
    char* to = writeCode(&block.bytes[block.used], code);
    if (!name.empty()) // an empty view's data may be null, which memcpy must not be given
        std::memcpy(to, name.data(), name.size());
    block.used += bytes;
    ++m_size;
}

void TrackTable::append(std::string_view folder, std::string_view name)
{
    if (folder.empty() && name.empty()) {
        appendRecord(0, {});
        return;
    }
    if (m_folders.empty() || m_folders.back().text != folder)
        m_folders.push_back({m_size, std::string(folder)});
    appendRecord(name.size() + 1, name);
}

std::size_t TrackTable::endOf(Place place) const
{
    std::size_t code = 0;
    const char* name = readCode(at(place), code);
    return std::size_t(name - m_blocks[place.block].bytes.get()) + (code > 0 ? code - 1 : 0);
}

TrackTable::Place TrackTable::next(Place place) const
{
    place.offset = endOf(place);
    if (place.offset == m_blocks[place.block].used && place.block + 1 < m_blocks.size())
        place = {place.block + 1, 0};
    return place;
}

TrackTable::Place TrackTable::placeOf(std::size_t n) const
{
    Place place = m_marks[n / kEntriesPerMark];
    for (std::size_t i = n % kEntriesPerMark; i > 0; --i)
        place = next(place);
    return place;
}

void TrackTable::resize(std::size_t size)
{
    while (m_size < size)
        appendRecord(0, {});
    if (size == m_size)
        return;
    // Appending goes on right after the last entry kept.
    Place end{0, 0};
    if (size > 0) {
        const Place last = placeOf(size - 1);
        end = {last.block, endOf(last)};
    }
    m_blocks.resize(std::min(m_blocks.size(), end.block + 1));
    if (!m_blocks.empty())
        m_blocks.back().used = end.offset;
    m_size = size;
    m_marks.resize((size + kEntriesPerMark - 1) / kEntriesPerMark);
    while (!m_folders.empty() && m_folders.back().first >= size)
        m_folders.pop_back();
    m_replaced.erase(m_replaced.lower_bound(size), m_replaced.end());
}

void TrackTable::set(std::size_t n, std::string_view text)
{
    if (n >= m_size)
        throw std::out_of_range("no such track");
    m_replaced.insert_or_assign(n, std::string(text));
}

std::string TrackTable::operator[](std::size_t n) const
{
    if (!m_replaced.empty()) {
        const auto replaced = m_replaced.find(n);
        if (replaced != m_replaced.end())
            return replaced->second;
    }
    std::size_t code = 0;
    const char* name = readCode(at(placeOf(n)), code);
    if (code == 0)
        return {};
    // The folder of the run this entry belongs to: the last one to begin at or before it.
    const auto folder = std::prev(std::upper_bound(
        m_folders.begin(), m_folders.end(), n, [](std::size_t number, const Folder& f) { return number < f.first; }));
    std::string text;
    text.reserve(folder->text.size() + code - 1);
    return text.append(folder->text).append(name, code - 1);
}

} // namespace zuvelo
