#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zuvelo {

// What the scan needs to know of a folder's entry. A link counts as what it leads to; a dangling
// link, a device, a pipe or a socket is Other.
enum class EntryKind { Folder, File, Other };

// Calls visit(name, kind) for each entry of folder, never "." and "..", in the order the file
// system lists them; names are UTF-8 bytes, as the player keeps them. An empty folder is the root
// of the file system. Entries that no program could open again by the name listed are left out:
// on Windows reserved device names (CON, nul.mp3), names ending in a dot or a blank, and names
// that are not valid Unicode. Returns false, having visited nothing, when the folder cannot be
// read (access denied, vanished, not a folder). A read error after the start ends the listing as
// its end does. One implementation per platform (FolderEntriesLinux.cpp, FolderEntriesWindows.cpp).
bool forEachFolderEntry(const std::string& folder, const std::function<void(std::string_view, EntryKind)>& visit);

} // namespace zuvelo
