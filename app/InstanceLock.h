#pragma once

#include <cstdint>
#include <string>

namespace zuvelo {

// Keeps a second copy of the program from running out of the same folder. The system drops the
// lock when the process ends however it ends, so a killed instance never blocks the next start,
// and no file is left behind. Copies in different folders do not see each other. On Linux it is
// an exclusive flock on the folder itself (InstanceLockLinux.cpp); on Windows a named mutex in
// the session's namespace, named after the folder's full path (InstanceLockWindows.cpp).
class InstanceLock {
public:
    // Tries to take the lock for folder; check acquired().
    explicit InstanceLock(const std::string& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock for the folder. A folder that cannot be opened
    // at all gives no protection but does not stop the program: true.
    bool acquired() const { return m_acquired; }

private:
    std::intptr_t m_handle = -1; // the folder's descriptor, or the mutex's handle
    bool m_acquired = false;
};

} // namespace zuvelo
