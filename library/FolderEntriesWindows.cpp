#include "FolderEntries.h"

#include "common/WindowsText.h"

namespace zuvelo {
namespace {

bool equalsIgnoringAsciiCase(std::wstring_view text, std::wstring_view upperCase)
{
    if (text.size() != upperCase.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i] >= L'a' && text[i] <= L'z' ? wchar_t(text[i] - L'a' + L'A') : text[i];
        if (c != upperCase[i])
            return false;
    }
    return true;
}

// The names Windows keeps for devices, whatever follows the first dot ("nul.mp3" is the null
// device): opening one opens the device, not the file a network share may hold under that name.
bool isReservedName(std::wstring_view name)
{
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    for (const wchar_t* reserved : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (equalsIgnoringAsciiCase(base, reserved))
            return true;
    // COM0..COM9 and LPT0..LPT9, with the superscript digits Windows takes as well.
    if (base.size() != 4)
        return false;
    const wchar_t digit = base[3];
    const bool isDigit = (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                         digit == L'\u00B3';
    return isDigit && (equalsIgnoringAsciiCase(base.substr(0, 3), L"COM") ||
                       equalsIgnoringAsciiCase(base.substr(0, 3), L"LPT"));
}

// Windows drops a trailing dot or blank when it opens a name, so such a file (made on a share
// by another system) would open as some other file or none.
bool opensByItsName(std::wstring_view name)
{
    return !name.empty() && name.back() != L'.' && name.back() != L' ' && !isReservedName(name);
}

} // namespace

bool forEachFolderEntry(const std::string& folder, const std::function<void(std::string_view, EntryKind)>& visit)
{
    WIN32_FIND_DATAW data;
    // The basic information only (no short names), fetched in large batches.
    const HANDLE find = ::FindFirstFileExW(toWidePath(folder + "\\*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // a drive's empty root has no "." either
    do {
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L".." || !opensByItsName(name))
            continue;
        const auto utf8 = toUtf8(name);
        if (!utf8)
            continue;
        const DWORD attributes = data.dwFileAttributes;
        visit(*utf8, attributes & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::Folder
                     : attributes & FILE_ATTRIBUTE_DEVICE  ? EntryKind::Other
                                                           : EntryKind::File);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return true;
}

} // namespace zuvelo
