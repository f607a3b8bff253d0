#include "library/FolderScan.h"

#include "TemporaryFolder.h"
#include "common/WindowsText.h"

#include <gtest/gtest.h>

using namespace zuvelo;

// Names that Windows would open as something else, as a share served by another system may hold
// them (devices, a trailing dot or blank), are passed over without harm; so is a folder that
// cannot be read, here because it went away after the listing.
TEST(FolderScanWindows, passesOverNamesWindowsCannotOpenAndFoldersItCannotRead)
{
    zuvelo::testing::TemporaryFolder pare;
    // Made, and at the end removed, through the "\\?\" prefix, which takes names as they stand.
    const auto exact = [&](const char* name) { return toWidePath("\\\\?\\" + (pare / name)); };
    const char* folders[] = {"A", "CON", "Gone", "trailing."};
    const char* files[] = {"A\\nul.mp3", "A\\Com1.wav",  "A\\aux .mid",       "A\\dot.mp3.",      "A\\blank.mp3 ",
                           "A\\ok.mp3",  "CON\\c.mp3", "Gone\\g.mp3", "trailing.\\t.mp3"};
    for (const char* folder : folders)
        ::CreateDirectoryW(exact(folder).c_str(), nullptr);
    for (const char* file : files) {
        const HANDLE made = ::CreateFileW(exact(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(made, INVALID_HANDLE_VALUE) << file;
        ::CloseHandle(made);
    }
    PlayerState state;
    state.Pare = pare.path();
    int yields = 0;
    EXPECT_EQ(scanFolders(state, [&] { yields++ == 0 && std::filesystem::remove_all(pare / "Gone"); }), 0);
    EXPECT_EQ(state.nmax.value(), 1);
    EXPECT_EQ(state.FileList[1] + std::to_string(yields), "\\A\\ok.mp31");
    for (const char* file : files)
        ::DeleteFileW(exact(file).c_str());
    for (const char* folder : folders)
        ::RemoveDirectoryW(exact(folder).c_str());
}
