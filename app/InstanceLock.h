#pragma once

#include <string>

namespace zuvelo {

// Keeps a second copy of the program from running out of the same folder. The lock is an
// exclusive flock on the folder itself, so no file is left behind, and the kernel drops it when
// the process ends however it ends: a killed instance never blocks the next start. Copies in
// different folders do not see each other.
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
    int m_fd = -1;
    bool m_acquired = false;
};

} // namespace zuvelo
