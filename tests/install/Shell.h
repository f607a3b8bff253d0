#pragma once

#include <cstdio>
#include <string>

namespace zuvelo::testing {

// text as one word of a POSIX shell command line, whatever it holds.
inline std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a shell command writes on stdout.
inline std::string commandOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, read);
        ::pclose(pipe);
    }
    return output;
}

} // namespace zuvelo::testing
