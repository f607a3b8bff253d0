#pragma once

#include <string>

namespace zuvelo {

// The folder of the running executable (from /proc/self/exe), without a trailing separator.
// Empty if the kernel does not say.
std::string programFolder();

} // namespace zuvelo
