#pragma once

#include <string_view>

namespace zuvelo {

// The order in which the scan takes folders and files, so that an album plays from its first
// track and every machine numbers a library alike, whatever the locale or the file system.
//
// Names are byte strings. They compare piece by piece: a run of ASCII digits is one piece worth
// its numeric value (leading zeros ignored, any length, so "2" comes before "10"); every other
// byte is a piece of its own, ASCII letters lower-cased. A digit run meets another byte as its
// digit would. Names whose pieces are all equal ("a01" and "A1") then compare as raw bytes, so
// the order is total: two different names are never equal.
//
// Returns a negative number, 0 or a positive number as a comes before, equals or follows b.
int naturalCompare(std::string_view a, std::string_view b);

inline bool naturalLess(std::string_view a, std::string_view b)
{
    return naturalCompare(a, b) < 0;
}

} // namespace zuvelo
