#include "app/InstanceLock.h"
#include "app/ProgramFolder.h"

#include "TemporaryFolder.h"
#include "common/WindowsText.h"

#include <gtest/gtest.h>

#include <process.h>

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
    const std::wstring program = toUtf16(programFolder()) + L"\\zuvelo_app_platform_tests.exe";
    const std::wstring quoted = L"\"" + toUtf16(a.path()) + L"\""; // spawn passes arguments unquoted
    const auto holder = HANDLE(::_wspawnl(_P_NOWAIT, program.c_str(), L"holder", L"--hold", quoted.c_str(), nullptr));
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    for (int i = 0; i < 1000 && a.read("held") == "<missing>"; ++i) // it says so once it holds the lock
        ::Sleep(10);
    EXPECT_FALSE(InstanceLock(a.path()).acquired());
    ::TerminateProcess(holder, 1);
    ::WaitForSingleObject(holder, INFINITE);
    EXPECT_TRUE(InstanceLock(a.path()).acquired());
    ::CloseHandle(holder);
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
