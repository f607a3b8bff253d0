// Fuzzes the track list writer: each input is split at its NUL bytes into track names (up to 300
// of them, any other bytes allowed, empty ones too), writeTrackList writes them from a scratch
// folder used as the program's folder, and the file is compared with the exact bytes the format
// asks for: for track n, its number in decimal, a comma, a quote, the name, CR, a quote, CR LF.

#include "FuzzSupport.h"
#include "library/TrackListExport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

using zuvelo::PlayerState;
using zuvelo::fuzz::fail;

namespace {

// Enough tracks for numbers of three digits, few enough to keep each input quick.
constexpr std::size_t kMaxNames = 300;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::unique_ptr<PlayerState> state = [] {
        auto made = std::make_unique<PlayerState>();
        made->Pare = zuvelo::fuzz::scratchFolder();
        return made;
    }();

    // An empty input is an empty table; otherwise every NUL ends one name and starts the next.
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::size_t count = 0;
    std::string expected;
    while (size > 0 && count < kMaxNames) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        ++count;
        state->FileList[count] = std::string(rest.substr(0, end));
        expected += std::to_string(count) + ",\"" + state->FileList[count] + "\r\"\r\n";
        if (end == rest.size())
            break;
        rest.remove_prefix(end + 1);
    }
    state->nmax = static_cast<std::int64_t>(count);

    if (const auto error = zuvelo::writeTrackList(*state)) {
        std::fprintf(stderr, "%s\n", error->c_str());
        fail("writing the track list failed");
    }
    if (zuvelo::fuzz::readFile(state->Pare + "/list.csv") != expected)
        fail("list.csv differs from the expected bytes");
    for (std::size_t n = 1; n <= count; ++n)
        state->FileList[n].clear();
    return 0;
}
