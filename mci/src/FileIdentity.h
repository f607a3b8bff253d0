#pragma once

#include <sys/stat.h>

#include <string>

namespace zuvelo::mci {

// A file as it was when a decoder opened it: its identity, size and modification time, to notice
// a rewrite while it plays.
class FileIdentity {
public:
    explicit FileIdentity(std::string path);

    // Whether the file was written to since it was opened (a tag editor that rewrites it in
    // place): what is read from it now is another file's bytes at the old one's places, which
    // decode to noise. A file replaced by a new one (renamed over it) is not this file, which
    // reads on intact.
    bool changedOnDisk() const;

private:
    std::string m_path;
    struct stat m_opened {};
};

} // namespace zuvelo::mci
