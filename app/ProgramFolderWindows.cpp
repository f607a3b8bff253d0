#include "ProgramFolder.h"

#include "common/WindowsText.h"

namespace zuvelo {

std::string programFolder()
{
    // GetModuleFileNameW cuts a path that does not fit and says nothing else, so the buffer grows
    // until the path and its NUL fit: a program may lie deeper than MAX_PATH.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto separator = path.rfind(L'\\');
    if (separator == std::wstring::npos)
        return {};
    path.resize(separator); // "C:\zuvelo.exe" gives "C:"
    return toUtf8(path).value_or(std::string());
}

} // namespace zuvelo
