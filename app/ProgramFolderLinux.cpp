#include "ProgramFolder.h"

#include <filesystem>
#include <system_error>

namespace zuvelo {

std::string programFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    std::string folder = exe.parent_path().string();
    // The root folder is the one whose name is only the separator; Pare then becomes empty, so
    // that Pare + "/" + name still addresses files in it.
    if (folder == "/")
        folder.clear();
    return folder;
}

} // namespace zuvelo
