#include "fileio/FileReplacement.h"

#include "OpenHandles.h"
#include "TemporaryFolder.h"
#include "common/WindowsText.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zuvelo;
using zuvelo::testing::TemporaryFolder;

static HANDLE openShared(const std::string& path, DWORD sharing)
{
    return ::CreateFileW(toWidePath(path).c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A file that another program holds open without sharing delete (an editor, a virus scanner) is
// replaced once it lets go within the retry time; held longer, the failure is reported and the
// old content stays whole. Nothing is left behind either way.
TEST(FileReplacementWindows, aFileHeldOpenIsReplacedOnceLetGo)
{
    TemporaryFolder folder;
    folder.write("muini.dat", "old");
    const std::string path = folder / "muini.dat";
    const long handles = zuvelo::testing::openHandles();
    const HANDLE held = openShared(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(replaceFileContents(path, "new").value_or("").find("muini.dat"), std::string::npos);
    EXPECT_EQ(folder.read("muini.dat"), "old");

    std::thread letGo([held] { ::Sleep(150), ::CloseHandle(held); });
    EXPECT_EQ(replaceFileContents(path, "new"), std::nullopt);
    letGo.join();
    EXPECT_EQ(folder.read("muini.dat"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    EXPECT_EQ(zuvelo::testing::openHandles(), handles);
}

// A read-only file is left alone and reported. A write clears away what a crashed writer left,
// but not a temporary file still being written, nor a name that only looks alike.
TEST(FileReplacementWindows, readOnlyLeftAlone_leftoversOfACrashCleared)
{
    TemporaryFolder folder;
    for (const char* name : {"list.csv", "readonly.dat", "list.csv.tmp17-3", "list.csv.tmp17-4", "list.csv.tmpx-1"})
        folder.write(name, "old");
    const std::wstring readOnly = toWidePath(folder / "readonly.dat");
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const HANDLE writing = openShared(folder / "list.csv.tmp17-4", 0);

    EXPECT_NE(replaceFileContents(folder / "readonly.dat", "new").value_or("").find("read-only"), std::string::npos);
    EXPECT_EQ(replaceFileContents(folder / "list.csv", "new"), std::nullopt);
    ::CloseHandle(writing);
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(folder.read("readonly.dat") + folder.read("list.csv"), "oldnew");
    EXPECT_EQ(folder.read("list.csv.tmp17-3"), "<missing>");
    EXPECT_EQ(folder.read("list.csv.tmp17-4") + folder.read("list.csv.tmpx-1"), "oldold");
}
