#pragma once

#include <optional>
#include <string>

namespace zuvelo {

// Replaces the file at path with exactly these bytes, so that at every moment the file holds
// either the complete old content or the complete new one: the bytes go to a temporary file in
// the same folder, are flushed to the disk, and the temporary file is renamed over the file.
// A file that may not be written (no write permission; on Windows the read-only attribute), or
// one that is not a regular file (a folder, a device), is left as it is and reported as a failure.
// Linux (FileReplacementLinux.cpp): a symbolic link at path is written through: the file it leads
// to is replaced (in that file's folder) and the link stays; the new file keeps the old one's
// permissions. Windows (FileReplacementWindows.cpp): the new file keeps the old one's hidden and
// system marks; while another program holds the file open without sharing delete the rename is
// tried again for about half a second, then reported; each write first clears away the leftovers
// that removeLeftoverReplacements would.
// Returns a one-line description of the failure, or nothing on success; never throws, and
// leaves no temporary file behind on failure. Any thread; not safe against a second writer of
// the same path at the same time.
std::optional<std::string> replaceFileContents(const std::string& path, const std::string& bytes);

// Deletes the temporary files that a writer of path killed before its rename left behind (path +
// ".tmp" + pid + "-" + counter, regular files only), beside path and, when path is a symbolic
// link, beside the file it leads to. Only safe while no other process may be
// replacing path: the program calls it at start-up, holding its folder's single-instance lock.
void removeLeftoverReplacements(const std::string& path);

} // namespace zuvelo
