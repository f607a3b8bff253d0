#pragma once

#include <string_view>

namespace zuvelo {

// Whether text ends with tail, comparing ASCII letters in either case and every other byte
// exactly. File-name tails ("MID", ".Sf2") are matched this way: a locale's case rules have no say
// in which device plays a file, and UTF-8 bytes never compare equal to ASCII letters.
// Pure function; any thread.
constexpr bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view tail)
{
    if (tail.size() > text.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const std::string_view end = text.substr(text.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (lower(end[i]) != lower(tail[i]))
            return false;
    }
    return true;
}

} // namespace zuvelo
