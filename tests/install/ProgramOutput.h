#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace zuvelo::testing {

// The lines of the program's output that our own code wrote (the media layer's and FluidSynth's
// complaints included), leaving out what Qt and SDL say about their platforms, and the line about
// media keys, which depends on whether the machine runs a session bus (the media keys tests check
// it).
inline std::vector<std::string> ownLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if ((line.starts_with("zuvelo:") || line.starts_with("mci:") || line.starts_with("fluidsynth")) &&
            !line.starts_with("zuvelo: media keys are unavailable"))
            lines.push_back(line);
    return lines;
}

} // namespace zuvelo::testing
