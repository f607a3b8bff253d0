#include "TrackTable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace zuvelo {
namespace {

// A length as seven bits a byte, low first, the high bit set on all but the last byte.
std::size_t lengthBytes(std::size_t length)
{
    std::size_t bytes = 1;
    for (; length >= 0x80; length >>= 7)
        ++bytes;
    return bytes;
}

char* writeLength(char* at, std::size_t length)
{
    for (; length >= 0x80; length >>= 7)
        *at++ = char((length & 0x7F) | 0x80);
    *at++ = char(length);
    return at;
}

const char* readLength(const char* at, std::size_t& length)
{
    length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*at++);
        length |= std::size_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return at;
    }
}

} // namespace

void TrackTable::resize(std::size_t size)
{
    m_where.resize(size, kEmpty);
}

std::uint32_t TrackTable::reserve(std::size_t bytes)
{
    if (bytes <= kBlockBytes - m_lastUsed) {
        const std::uint32_t where = std::uint32_t((m_blocks.size() - 1) << 16 | m_lastUsed);
        m_lastUsed += bytes;
        return where;
    }
    if (m_blocks.size() > 0xFFFF)
        throw std::length_error("track table full");
    // An entry longer than a block gets one of its own, which is full at once.
    m_blocks.push_back(std::make_unique_for_overwrite<char[]>(std::max(bytes, kBlockBytes)));
    m_lastUsed = bytes > kBlockBytes ? kBlockBytes : bytes;
    return std::uint32_t((m_blocks.size() - 1) << 16);
}

void TrackTable::set(std::size_t n, std::string_view first, std::string_view second)
{
    const std::size_t length = first.size() + second.size();
    if (length == 0) {
        m_where.at(n) = kEmpty;
        return;
    }
    const std::size_t bytes = lengthBytes(length) + length;
    // A new text no longer than the old one takes its place; any other goes at the end.
    std::uint32_t& where = m_where.at(n);
    if (where == kEmpty || (*this)[n].size() < length)
        where = reserve(bytes);
    char* at = writeLength(&m_blocks[where >> 16][where & 0xFFFF], length);
    std::memcpy(at, first.data(), first.size());
    std::memcpy(at + first.size(), second.data(), second.size());
}

std::string_view TrackTable::operator[](std::size_t n) const
{
    const std::uint32_t where = m_where[n];
    if (where == kEmpty)
        return {};
    std::size_t length = 0;
    const char* text = readLength(&m_blocks[where >> 16][where & 0xFFFF], length);
    return {text, length};
}

} // namespace zuvelo
