#include "FileReplacement.h"
#include "TemporaryName.h"

#include <atomic>
#include <climits>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zuvelo {
namespace {

std::string describe(const std::string& what, const std::string& path, int error)
{
    return what + " " + path + ": " + std::strerror(error);
}

// Writes everything, resuming after interruptions and short writes.
bool writeAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links starting at path leads to (path itself when it is no link),
// whether or not that file exists; a relative link counts from the link's own folder. Nothing
// when the chain does not end (a loop), as the kernel's limit of 40 links decides.
std::optional<std::string> linkTarget(const std::string& path)
{
    std::string target = path;
    for (int links = 0; links <= 40; ++links) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        std::string content(PATH_MAX, '\0');
        const ssize_t size = ::readlink(target.c_str(), content.data(), content.size());
        if (size <= 0)
            return target;
        content.resize(static_cast<std::size_t>(size));
        target = content.front() == '/' ? content : folderOf(target) + "/" + content;
    }
    return std::nullopt;
}

void removeLeftoversBeside(const std::string& path)
{
    const std::string folder = folderOf(path);
    const auto slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isTemporaryNameOf(name, fileName))
            continue;
        const std::string full = (folder == "/" ? "" : folder) + "/" + name;
        struct stat info {};
        if (::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

} // namespace

void removeLeftoverReplacements(const std::string& path)
{
    removeLeftoversBeside(path);
    // A writer through a link puts its temporary file beside the link's target.
    if (const auto target = linkTarget(path); target && *target != path)
        removeLeftoversBeside(*target);
}

std::optional<std::string> replaceFileContents(const std::string& linkOrFile, const std::string& bytes)
{
    const auto resolved = linkTarget(linkOrFile);
    if (!resolved)
        return describe("cannot follow", linkOrFile, ELOOP);
    const std::string& path = *resolved;
    // What the user set up stays as it is: a file they made read-only, or a link to something
    // other than a file (to /dev/null, to keep nothing). Root may write anything, so for the
    // read-only test the permission bits count as well as what access() says.
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return linkOrFile + ": not a regular file; left unchanged";
    if (exists && ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0))
        return linkOrFile + ": read-only; left unchanged";

    // A name of our own beside the target: the rename must not cross file systems. The process id
    // and a counter keep two writers of different files apart; O_EXCL refuses a stale leftover.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryNameFor(path, static_cast<unsigned long>(::getpid()), counter++);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return describe("cannot create", temporary, errno);
    }
    if (fd < 0)
        return describe("cannot create", temporary, EEXIST);

    if ((exists && ::fchmod(fd, old.st_mode & 07777) != 0) || !writeAll(fd, bytes) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return describe("cannot write", temporary, error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return describe("cannot write", temporary, error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return describe("cannot replace", path, error);
    }

    // Make the rename itself durable. The new content is already complete whichever name the
    // folder shows after a crash, so a failure here is not reported.
    const int folder = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return std::nullopt;
}

} // namespace zuvelo
