#include "app/InstanceLock.h"
#include "app/ProgramFolder.h"

#include "TemporaryFolder.h"
#include "common/WindowsText.h"

#include <gtest/gtest.h>

using namespace zuvelo;

// One copy per folder, whatever the letter case or a trailing separator; copies in two folders
// run side by side; a copy that is killed frees its folder. The holder is this test program
// started again with "--hold <folder>".
TEST(InstanceLockWindows, oneCopyPerFolderUntilItsHolderDies)
{
    zuvelo::testing::TemporaryFolder a, b;
    std::string upper = a.path();
    ::CharUpperBuffA(upper.data(), DWORD(upper.size()));
    {
        const InstanceLock first(a.path()), again(a.path() + "\\"), inUpperCase(upper), other(b.path());
        EXPECT_TRUE(first.acquired() && other.acquired());
        EXPECT_FALSE(again.acquired() || inUpperCase.acquired());
    }
    std::wstring command = L"\"" + toUtf16(programFolder()) + L"\\zuvelo_app_platform_tests.exe\" --hold \"" +
                           toUtf16(a.path()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &holder));
    for (int i = 0; i < 1000 && a.read("held") == "<missing>"; ++i) // it says so once it holds the lock
        ::Sleep(10);
    EXPECT_FALSE(InstanceLock(a.path()).acquired());
    ::TerminateProcess(holder.hProcess, 1);
    ::WaitForSingleObject(holder.hProcess, INFINITE);
    EXPECT_TRUE(InstanceLock(a.path()).acquired());
    ::CloseHandle(holder.hProcess), ::CloseHandle(holder.hThread);
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--hold") {
        if (const InstanceLock lock(argv[2]); lock.acquired())
            std::ofstream(zuvelo::testing::fsPath(std::string(argv[2]) + "\\held")) << "held", ::Sleep(INFINITE);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
