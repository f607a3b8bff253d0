#pragma once

// Helpers shared by the fuzz entry points. Single-threaded, like libFuzzer's loop.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace zuvelo::fuzz {

// Reports a broken property and stops, so that libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// A private folder under $TMPDIR or /tmp, made once per process and left for the system to clean.
inline const std::string& scratchFolder()
{
    static std::string folder = std::filesystem::temp_directory_path() / "zuvelo-fuzz-XXXXXX";
    static const char* made = ::mkdtemp(folder.data()); // on the first call only
    if (made == nullptr)
        fail("cannot make the scratch folder");
    return folder;
}

inline void writeFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size)).flush())
        fail("cannot write a scratch file");
}

} // namespace zuvelo::fuzz
