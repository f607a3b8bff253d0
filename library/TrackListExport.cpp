#include "TrackListExport.h"

#include "common/PathSeparator.h"
#include "fileio/FileReplacement.h"

#include <algorithm>
#include <charconv>

namespace zuvelo {

std::optional<std::string> writeTrackList(const PlayerState& state)
{
    const std::int64_t nmax = state.nmax;
    const std::int64_t last = std::min<std::int64_t>(nmax, static_cast<std::int64_t>(state.FileList.size()) - 1);

    // The classic comma-separated line of a number and a text: the number bare, the text in
    // quotes. Each entry carries one CR before its closing quote, in addition to the CR LF that
    // ends the line; readers of the earlier files rely on exactly these bytes.
    std::string text;
    for (std::int64_t n = 1; n <= last; ++n) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        text.append(digits, end);
        text += ",\"";
        text += state.FileList[static_cast<std::size_t>(n)];
        text += "\r\"\r\n";
    }
    // Built whole and renamed into place, so an earlier list is replaced in one step and a
    // failure leaves it as it was.
    return replaceFileContents(state.Pare + kPathSeparator + "list.csv", text);
}

} // namespace zuvelo
