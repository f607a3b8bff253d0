#include "SettingsFileAccess.h"

#include "common/WindowsText.h"

namespace zuvelo {

bool folderListsExactly(const std::string& folder, const char* name)
{
    // The lookup itself ignores case; the names it returns tell.
    const std::wstring wanted = toUtf16(name);
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileExW(toWidePath(folder + "\\" + name).c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do
        found = wanted == data.cFileName && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (!found && ::FindNextFileW(find, &data));
    ::FindClose(find);
    return found;
}

std::optional<std::string> readFileHead(const std::string& path, std::size_t limit)
{
    // Shared for reading, writing and deleting: an editor that has the file open does not keep
    // the settings from being read, and reading does not keep it from saving.
    const HANDLE file = ::CreateFileW(toWidePath(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(limit, '\0');
    std::size_t size = 0;
    bool failed = false;
    while (size < bytes.size()) {
        DWORD n = 0;
        if (!::ReadFile(file, bytes.data() + size, DWORD(bytes.size() - size), &n, nullptr)) {
            failed = true;
            break;
        }
        if (n == 0)
            break;
        size += n;
    }
    ::CloseHandle(file);
    if (failed)
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

} // namespace zuvelo
