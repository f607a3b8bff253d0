#include "NaturalOrder.h"

#include <cstring>

namespace zuvelo {
namespace {

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

unsigned char lowered(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// The end of the digit run starting at from.
std::size_t runEnd(std::string_view s, std::size_t from)
{
    while (from < s.size() && isDigit(static_cast<unsigned char>(s[from])))
        ++from;
    return from;
}

std::size_t skipZeros(std::string_view s, std::size_t from, std::size_t end)
{
    while (from < end && s[from] == '0')
        ++from;
    return from;
}

} // namespace

int naturalCompare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (isDigit(ca) && isDigit(cb)) {
            // Two numbers: without their leading zeros, the one with more digits is larger, and
            // numbers of as many digits compare as their digit strings do. Nothing is converted,
            // so a run of any length works.
            const std::size_t endA = runEnd(a, i);
            const std::size_t endB = runEnd(b, j);
            const std::size_t startA = skipZeros(a, i, endA);
            const std::size_t startB = skipZeros(b, j, endB);
            const std::size_t lengthA = endA - startA;
            const std::size_t lengthB = endB - startB;
            if (lengthA != lengthB)
                return lengthA < lengthB ? -1 : 1;
            if (const int digits = std::memcmp(a.data() + startA, b.data() + startB, lengthA); digits != 0)
                return digits;
            i = endA;
            j = endB;
            continue;
        }
        const unsigned char la = lowered(ca);
        const unsigned char lb = lowered(cb);
        if (la != lb)
            return la < lb ? -1 : 1;
        ++i;
        ++j;
    }
    // One ran out of pieces first: the shorter comes first.
    const bool aLeft = i < a.size();
    const bool bLeft = j < b.size();
    if (aLeft != bLeft)
        return aLeft ? 1 : -1;
    return a.compare(b);
}

} // namespace zuvelo
