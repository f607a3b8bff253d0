#include "fileio/FileReplacement.h"

#include "OpenHandles.h"
#include "TemporaryFolder.h"
#include "common/WindowsText.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zuvelo;

// A file another program holds open without sharing delete (an editor, a virus scanner) is
// replaced once let go within the retry time; held longer, the failure is reported and the old
// content stays whole. A read-only file is left alone and reported. A write clears away what a
// crashed writer left, not a temporary still being written nor a name only alike.
TEST(FileReplacementWindows, heldOpenReadOnlyAndLeftovers)
{
    zuvelo::testing::TemporaryFolder folder;
    for (const char* name : {"muini.dat", "readonly", "muini.dat.tmp17-3", "muini.dat.tmp17-4", "muini.dat.tmpx-1"})
        folder.write(name, "old");
    const auto open = [&](const char* name, DWORD sharing) {
        return ::CreateFileW(toWidePath(folder / name).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    ::SetFileAttributesW(toWidePath(folder / "readonly").c_str(), FILE_ATTRIBUTE_READONLY);
    const long handles = zuvelo::testing::openHandles();
    const HANDLE writing = open("muini.dat.tmp17-4", 0), held = open("muini.dat", FILE_SHARE_READ | FILE_SHARE_WRITE);

    EXPECT_NE(replaceFileContents(folder / "readonly", "new").value_or("").find("read-only"), std::string::npos);
    EXPECT_NE(replaceFileContents(folder / "muini.dat", "new").value_or("").find("muini.dat"), std::string::npos);
    EXPECT_EQ(folder.read("muini.dat") + folder.read("muini.dat.tmp17-3"), "old<missing>");
    std::thread letGo([held] { ::Sleep(150), ::CloseHandle(held); });
    EXPECT_EQ(replaceFileContents(folder / "muini.dat", "new"), std::nullopt);
    letGo.join();
    ::CloseHandle(writing);
    EXPECT_EQ(zuvelo::testing::openHandles(), handles);
    ::SetFileAttributesW(toWidePath(folder / "readonly").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folder.read("muini.dat") + folder.read("readonly") + folder.read("muini.dat.tmp17-4"), "newoldold");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 4);
}
