#include "app/ProgramFolder.h"
#include "common/WindowsText.h"
#include "ui/Form1Windows.h"

#include "WaveFile.h"
#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace zuvelo;
using namespace zuvelo::testing;

namespace {

// Waits until condition holds, for at most a minute: only a broken program times out.
template <typename Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 6000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

// A folder of three minute-long wave tracks, each its own tone, with zuvelo.exe beside them. The
// other folder's are silent, so that what test.sh hears is the first copy's.
void prepare(const TemporaryFolder& folder, bool silent = false)
{
    std::filesystem::copy_file(fsPath(programFolder() + "\\..\\..\\app\\zuvelo.exe"), fsPath(folder / "zuvelo.exe"));
    for (int n = 1; n <= 3; ++n)
        folder.write("album\\t" + std::to_string(n) + ".wav", waveFile(8000 * 60, silent ? 0 : 100u << n)); // test.sh listens
}

// zuvelo.exe started in folder; killed if still running.
struct Copy {
    PROCESS_INFORMATION process{};

    explicit Copy(const TemporaryFolder& folder)
    {
        const std::string exe = folder / "zuvelo.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring command = L"\"" + toUtf16(exe) + L"\"";
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    }
    ~Copy()
    {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    bool ended() const { return ::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0; }

    // Its window, found by class, or null.
    HWND window() const
    {
        HWND found = nullptr;
        while ((found = ::FindWindowExW(nullptr, found, Form1::kClassName, nullptr))) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(found, &owner);
            if (owner == process.dwProcessId)
                return found;
        }
        return nullptr;
    }
    HWND control(Form1::Id id) const { return ::GetDlgItem(window(), id); }
};

std::string text(HWND hwnd)
{
    wchar_t buffer[512] = {};
    ::SendMessageW(hwnd, WM_GETTEXT, std::size(buffer), LPARAM(buffer));
    return toUtf8(buffer).value_or("");
}

} // namespace

// The whole program under Wine: it starts after the saved track, shows it in the number box, the
// scroll bar and the caption, and answers its buttons, scroll keys, menu and media keys; a close
// and the end of the session write the mode and track, the menu the track list. A second copy in
// the same folder ends at once; one in another folder runs.
TEST(ProgramWindows, playsAsItsControlsSayAndSavesOnClose_oneCopyPerFolder)
{
    TemporaryFolder folder, other;
    prepare(folder), prepare(other, true);
    folder.write("muini.dat", "1,2\r\n"); // in order, track 2: the next to play is 3
    Copy first(folder);
    ASSERT_TRUE(eventually([&] { return first.window() && text(first.control(Form1::kText1)) == "3"; }));
    EXPECT_TRUE(eventually([&] { return text(first.window()) == "Zuveloplaying"; })) << text(first.window());
    EXPECT_EQ(text(first.control(Form1::kCombo1)), "順番");

    Copy again(folder);
    EXPECT_TRUE(again.ended());
    Copy elsewhere(other);
    EXPECT_TRUE(eventually([&] { return elsewhere.window() != nullptr; }));

    ::SendMessageW(first.control(Form1::kCommand1), BM_CLICK, 0, 0);
    EXPECT_TRUE(eventually(
        [&] { return text(first.control(Form1::kText1)) == "1" && text(first.window()) == "Zuveloplaying"; }));
    EXPECT_EQ(::GetScrollPos(first.control(Form1::kHScroll1), SB_CTL), 1);
    ::SendMessageW(first.control(Form1::kHScroll1), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(text(first.control(Form1::kText1)), "2");
    ::SendMessageW(first.window(), WM_COMMAND, Form1::kMenuGya, 0); // reverse, from the last but one
    EXPECT_EQ(text(first.control(Form1::kCombo1)), "逆順");
    EXPECT_TRUE(eventually(
        [&] { return text(first.control(Form1::kText1)) == "2" && text(first.window()) == "Zuveloplaying"; }));
    ::SendMessageW(first.window(), WM_COMMAND, Form1::kMenuLis, 0);
    ::SendMessageW(first.window(), WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_NEXTTRACK)); // in reverse
    EXPECT_TRUE(eventually([&] { return text(first.control(Form1::kText1)) == "1"; }));

    ::PostMessageW(first.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.ended());
    EXPECT_EQ(folder.read("muini.dat"), "2,1\r\n");
    EXPECT_NE(folder.read("list.csv").find("t2.wav"), std::string::npos) << folder.read("list.csv");
    ::PostMessageW(elsewhere.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF); // the user logs off
    EXPECT_TRUE(elsewhere.ended());
    EXPECT_NE(other.read("muini.dat"), "<missing>");
}
