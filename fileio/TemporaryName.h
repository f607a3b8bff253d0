#pragma once

#include <string>

namespace zuvelo {

// The name of a replacement's temporary file: the file's own name, ".tmp", the writer's process
// id, "-" and a counter, so two writers never share one and a leftover is known by its name.
inline std::string temporaryNameFor(const std::string& path, unsigned long processId, unsigned counter)
{
    return path + ".tmp" + std::to_string(processId) + "-" + std::to_string(counter);
}

// True for the names temporaryNameFor gives beside a file named fileName: fileName ".tmp"
// digits "-" digits.
inline bool isTemporaryNameOf(const std::string& name, const std::string& fileName)
{
    const std::string prefix = fileName + ".tmp";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = name.substr(prefix.size());
    const auto dash = rest.find('-');
    const auto allDigits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    return dash != std::string::npos && allDigits(rest.substr(0, dash)) && allDigits(rest.substr(dash + 1));
}

} // namespace zuvelo
