#pragma once

#include <string>

namespace zuvelo {

// The folder of the running executable, without a trailing separator (so the root folder is
// empty on Linux and "C:" on Windows, and folder + separator + name addresses a file in it).
// Empty if the system does not say. One implementation per platform (ProgramFolderLinux.cpp from
// /proc/self/exe, ProgramFolderWindows.cpp).
std::string programFolder();

} // namespace zuvelo
