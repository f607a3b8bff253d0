#include "ProgramRun.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zuvelo::testing {

bool holdsFolderLock(pid_t pid, const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return false;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"
        std::istringstream in(line);
        std::string number, kind, mode, access, device;
        pid_t holder = 0;
        in >> number >> kind >> mode >> access >> holder >> device;
        if (kind == "FLOCK" && holder == pid && device.substr(device.rfind(':') + 1) == std::to_string(st.st_ino))
            return true;
    }
    return false;
}

} // namespace zuvelo::testing
