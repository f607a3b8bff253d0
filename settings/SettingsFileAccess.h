#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zuvelo {

// How the settings file is found and read, one implementation per platform
// (SettingsFileAccessLinux.cpp, SettingsFileAccessWindows.cpp). Any thread.

// Whether folder lists a file named exactly name, letter case included. An empty folder is the
// root of the file system.
bool folderListsExactly(const std::string& folder, const char* name);

// The first limit bytes of the file at path (fewer when it is shorter), or nothing when it
// cannot be opened or read (a folder, for one). Never waits on a pipe, nor on another program
// that holds the file open.
std::optional<std::string> readFileHead(const std::string& path, std::size_t limit);

} // namespace zuvelo
