#pragma once

namespace zuvelo {

// The separator of folder and file names in every path the player builds, track paths included:
// "/" on Linux, "\" on Windows, as each platform's programs write them (so list.csv shows
// "\Jazz\so what.mp3" on Windows). The build says which (ZUVELO_WINDOWS_PATHS).
inline constexpr char kPathSeparator = ZUVELO_WINDOWS_PATHS ? '\\' : '/';

} // namespace zuvelo
