#include "InstanceLock.h"

#include "common/WindowsText.h"

#include <cstdio>

namespace zuvelo {
namespace {

// The mutex's name: the folder's full path in upper case, since NTFS names ignore case, in the
// session's namespace, so another user's copy of the same folder is not refused. Object names
// may not hold "\" and are limited to MAX_PATH characters: a longer path keeps its head and ends
// in a hash of the whole.
std::wstring mutexName(const std::string& folder)
{
    std::wstring path = toWidePath(folder);
    if (const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr); size != 0) {
        std::wstring full(size, L'\0');
        const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (length != 0 && length < size)
            path = full.substr(0, length);
    }
    if (path.rfind(L"\\\\?\\", 0) == 0)
        path.erase(0, 4);
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    ::CharUpperBuffW(path.data(), DWORD(path.size()));
    for (wchar_t& c : path)
        if (c == L'\\')
            c = L'/';
    constexpr std::size_t kLongest = 200; // with the prefix and the hash, well within MAX_PATH
    if (path.size() > kLongest) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a over the UTF-16 units
        for (const wchar_t c : path)
            hash = (hash ^ std::uint64_t(c)) * 1099511628211ull;
        wchar_t tail[20];
        std::swprintf(tail, std::size(tail), L"#%016llx", static_cast<unsigned long long>(hash));
        path = path.substr(0, kLongest) + tail;
    }
    return L"Local\\Zuvelo " + path;
}

} // namespace

InstanceLock::InstanceLock(const std::string& folder)
{
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, mutexName(folder).c_str());
    if (mutex == nullptr) {
        m_acquired = true; // no protection, but no reason to stop the program either
        return;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return;
    }
    m_handle = reinterpret_cast<std::intptr_t>(mutex);
    m_acquired = true;
}

InstanceLock::~InstanceLock()
{
    // The system destroys the mutex with its last handle, also when the process is killed.
    if (m_handle != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

} // namespace zuvelo
