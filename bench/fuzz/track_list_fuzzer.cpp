// Fuzzes the track list writer with inputs split at their NUL bytes into up to 300 track names.
// Property: list.csv holds, for track n: n in decimal, a comma, a quote, the name, CR, quote, CR LF.

#include "FuzzSupport.h"
#include "library/TrackListExport.h"

#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto state = std::make_unique<zuvelo::PlayerState>(); // its track table made once
    state->Pare = zuvelo::fuzz::scratchFolder();
    // An empty input is no tracks; every NUL ends one name and starts the next, up to 300 names.
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string expected;
    std::int64_t count = 0;
    for (bool more = size > 0; more && count < 300;) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        more = end < rest.size();
        state->FileList[++count] = rest.substr(0, end);
        expected += std::to_string(count) + ",\"" + state->FileList[count] + "\r\"\r\n";
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    state->nmax = count;
    if (const auto error = zuvelo::writeTrackList(*state))
        zuvelo::fuzz::fail(error->c_str());
    std::ifstream written(state->Pare + "/list.csv", std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(written), {}) != expected)
        zuvelo::fuzz::fail("list.csv differs from the expected bytes");
    return 0;
}
