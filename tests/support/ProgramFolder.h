#pragma once

#include "TemporaryFolder.h"

#include <filesystem>
#include <string>

namespace zuvelo::testing {

// A temporary program folder holding a copy of the built executable (ZUVELO_EXECUTABLE, which the
// including target defines) and nothing else. base as for TemporaryFolder.
struct ProgramFolder : TemporaryFolder {
    std::string program;
    explicit ProgramFolder(const std::string& base = {}) : TemporaryFolder(base)
    {
        program = path() + "/zuvelo";
        std::filesystem::copy_file(ZUVELO_EXECUTABLE, program);
    }
};

} // namespace zuvelo::testing
