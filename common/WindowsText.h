#pragma once

// Windows files only. Text is UTF-8 everywhere inside the player and UTF-16 at the Windows API:
// it crosses here, at the call, and nowhere else.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace zuvelo {

// UTF-16 of UTF-8 text; bytes that are not UTF-8 become U+FFFD.
inline std::wstring toUtf16(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

// UTF-8 of UTF-16 text, or nothing when it holds a lone surrogate, which no UTF-8 text stands
// for: a name read back that way could not be opened again.
inline std::optional<std::string> toUtf8(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (size == 0)
        return std::nullopt;
    std::string bytes(std::size_t(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), int(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

// A path for the W calls. One that comes near MAX_PATH is made absolute and given the "\\?\"
// prefix, which lifts the limit to about 32,767 characters whatever the system's long-path
// setting; the prefix turns off the system's own clean-up, so the full path is taken first.
inline std::wstring toWidePath(std::string_view path)
{
    std::wstring wide = toUtf16(path);
    // 12 characters short of MAX_PATH: a folder's path must leave room for an 8.3 name in it.
    if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return wide;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2); // \\server\share\...
    return L"\\\\?\\" + full;
}

} // namespace zuvelo
