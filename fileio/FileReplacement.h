#pragma once

#include <optional>
#include <string>

namespace zuvelo {

// Replaces the file at path with exactly these bytes, so that at every moment the path holds
// either the complete old content or the complete new one: the bytes go to a temporary file in
// the same folder, are flushed to the disk, and the temporary file is renamed over path.
// Whatever stood at path before (a file, a symbolic link) is replaced, not written through.
// Returns a one-line description of the failure, or nothing on success; never throws, and
// leaves no temporary file behind on failure. Any thread; not safe against a second writer of
// the same path at the same time.
std::optional<std::string> replaceFileContents(const std::string& path, const std::string& bytes);

// Deletes the temporary files that a writer of path killed before its rename left behind (path +
// ".tmp" + pid + "-" + counter, regular files only). Only safe while no other process may be
// replacing path: the program calls it at start-up, holding its folder's single-instance lock.
void removeLeftoverReplacements(const std::string& path);

} // namespace zuvelo
