#include "FileReplacement.h"
#include "TemporaryName.h"

#include "common/WindowsText.h"

#include <atomic>

namespace zuvelo {
namespace {

// Another program (an editor, a virus scanner) that has the file open without sharing delete
// keeps it from being replaced. Such holds are short: the replace is tried again this often, for
// about half a second in all, before it is reported.
constexpr DWORD kRetryPause = 25; // milliseconds
constexpr int kAttempts = 20;

std::string describe(const std::string& what, const std::string& path, DWORD error)
{
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason = text != nullptr ? toUtf8(text).value_or("") : "";
    ::LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return what + " " + path + ": " + (reason.empty() ? "error " + std::to_string(error) : reason);
}

bool writeAll(HANDLE file, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, DWORD(bytes.size() - done), &written, nullptr))
            return false;
        done += written;
    }
    return true;
}

bool isHeldByAnother(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

} // namespace

void removeLeftoverReplacements(const std::string& path)
{
    const auto separator = path.find_last_of("\\/");
    const std::string folder = separator == std::string::npos ? "." : path.substr(0, separator);
    const std::string fileName = separator == std::string::npos ? path : path.substr(separator + 1);
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileExW(toWidePath(path + ".tmp*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const auto name = toUtf8(data.cFileName);
        // A temporary file still being written is open without sharing delete: it stays.
        if (name && isTemporaryNameOf(*name, fileName) && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileW(toWidePath(folder + "\\" + *name).c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

std::optional<std::string> replaceFileContents(const std::string& path, const std::string& bytes)
{
    const std::wstring target = toWidePath(path);
    // What the user set up stays as it is: a file they made read-only, or something other than a
    // file under the name.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return path + ": not a regular file; left unchanged";
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return path + ": read-only; left unchanged";
    // A temporary file that cannot still be in use (a writer's is open without sharing delete)
    // is one a crash left: clear it away on every write.
    removeLeftoverReplacements(path);

    // A name of our own beside the file, so that the move stays within the volume.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    std::wstring wideTemporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryNameFor(path, ::GetCurrentProcessId(), counter++);
        wideTemporary = toWidePath(temporary);
        file = ::CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return describe("cannot create", temporary, ::GetLastError());
    }
    if (file == INVALID_HANDLE_VALUE)
        return describe("cannot create", temporary, ERROR_FILE_EXISTS);
    if (!writeAll(file, bytes) || !::FlushFileBuffers(file)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        ::DeleteFileW(wideTemporary.c_str());
        return describe("cannot write", temporary, error);
    }
    ::CloseHandle(file);
    // The new file keeps the old one's hidden, system and archive marks. Its security comes from
    // the folder, as the old file's did.
    if (exists)
        ::SetFileAttributesW(wideTemporary.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                                  FILE_ATTRIBUTE_ARCHIVE |
                                                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));

    // One rename over the old file: it holds the old content or the new, never neither.
    // ReplaceFileW is not used: some of its failures leave the old file under another name.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            ::Sleep(kRetryPause);
        if (::MoveFileExW(wideTemporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return std::nullopt;
        error = ::GetLastError();
        if (!isHeldByAnother(error))
            break;
    }
    ::DeleteFileW(wideTemporary.c_str());
    return describe("cannot replace", path, error);
}

} // namespace zuvelo
