#include "ui/Form1Windows.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string_view>

using namespace zuvelo;

namespace {

// Counts the change events of the three controls that have them.
struct ChangeCounts : FormEvents {
    int combo1 = 0, hScroll1 = 0, text1 = 0;
    void command1Click() override {}
    void command2Click() override {}
    void command3Click() override {}
    void command4Click() override {}
    void command5Click() override {}
    void combo1Change() override { ++combo1; }
    void hScroll1Change() override { ++hScroll1; }
    void text1Change() override { ++text1; }
    void raClick() override {}
    void junClick() override {}
    void gyaClick() override {}
    void lisClick() override {}
    void timer1Timer() override {}
    void formUnload() override {}
    std::array<int, 3> counts() const { return {combo1, hScroll1, text1}; }
};

} // namespace

// The change rule on Win32's controls: a value the program sets runs the control's handler once
// when it differs and never when it is the same, and so does a change the user makes by typing,
// picking from the list or the scroll keys (Right and Page Down raise the number).
TEST(Form1Windows, eachControlRunsItsHandlerOnceForAChangeByTheProgramOrByTheUser)
{
    ChangeCounts events;
    Form1 form(&events);
    for (int i = 0; i < 3; ++i)
        form.setCombo1ListEntry(i, std::vector<std::string>{"ランダム", "順番", "逆順"}[std::size_t(i)]);
    EXPECT_EQ(form.combo1Text(), "Combo1");
    form.setHScroll1Minimum(1);
    form.setHScroll1Maximum(10);
    EXPECT_EQ(events.counts(), (std::array{0, 0, 0})) << "filling the list and setting the range";

    for (int twice = 0; twice < 2; ++twice) {
        form.setCombo1Text("順番");
        form.setHScroll1Value(7);
        form.setText1Text("7");
    }
    form.setHScroll1Value(99); // pulled into the range
    EXPECT_EQ(events.counts(), (std::array{1, 2, 1}));

    const HWND comboEdit = ::FindWindowExW(form.control(Form1::kCombo1), nullptr, L"Edit", nullptr);
    ::SendMessageW(comboEdit, EM_SETSEL, 0, -1);
    ::SendMessageW(comboEdit, WM_CHAR, L'x', 0);
    EXPECT_EQ(form.combo1Text(), "x");
    ::SendMessageW(comboEdit, WM_KEYDOWN, VK_DOWN, 0); // picks an entry from the list
    EXPECT_EQ(form.combo1Text(), "ランダム");
    ::SendMessageW(form.control(Form1::kText1), WM_CHAR, L'3', 0);
    for (WPARAM key : {VK_LEFT, VK_LEFT, VK_NEXT, VK_RIGHT})
        ::SendMessageW(form.control(Form1::kHScroll1), WM_KEYDOWN, key, 0);
    EXPECT_EQ(form.hScroll1Value(), 10);
    EXPECT_EQ(events.counts(), (std::array{3, 6, 2}));
}

// At the screen's DPI (test.sh runs it again at 144 and 192, named in ZUVELO_TEST_DPI): the layout in twips at
// that DPI. Tab goes Combo1, Command1 ... Command5, HScroll1, Text1. The media keys are held while it lives.
TEST(Form1Windows, sizedAtTheScreensScale_tabsInOrder_holdsTheMediaKeysWhileItLives)
{
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2); // as zuvelo.exe's manifest says
    const char* dpi = std::getenv("ZUVELO_TEST_DPI");
    const std::array<LONG, 5> rows[] = {{656, 64, 544, 657, 49}, {984, 96, 816, 986, 74}, {1312, 128, 1088, 1314, 98}};
    {
        Form1 form;
        RECT client, button; // rows at 96, 144, 192 DPI: client width, height; Command1's left, right, bottom
        ::GetClientRect(form.handle(), &client), ::GetClientRect(form.control(Form1::kCommand1), &button);
        ::MapWindowPoints(form.control(Form1::kCommand1), form.handle(), reinterpret_cast<POINT*>(&button), 2);
        EXPECT_EQ((std::array{client.right, client.bottom, button.left, button.right, button.bottom}),
                  rows[dpi ? std::atoi(dpi) / 48 - 2 : 0]);
        HWND tab = form.control(Form1::kCombo1);
        for (int id = Form1::kCommand1; id <= Form1::kText1; ++id)
            EXPECT_EQ(::GetDlgCtrlID(tab = ::GetNextDlgTabItem(form.handle(), tab, FALSE)), id);
        LOGFONTW f{}; // the buttons': 18 points at this DPI, bold, Japanese, one of the three faces
        ::GetObjectW(HFONT(::SendMessageW(form.control(Form1::kCommand5), WM_GETFONT, 0, 0)), sizeof f, &f);
        EXPECT_EQ((std::array{f.lfHeight, f.lfWeight, LONG(f.lfCharSet)}),
                  (std::array<LONG, 3>{-::MulDiv(18, dpi ? std::atoi(dpi) : 96, 72), FW_BOLD, SHIFTJIS_CHARSET}));
        EXPECT_TRUE(f.lfFaceName[0] &&
                    std::wstring_view(L"ＭＳ Ｐゴシック|Yu Gothic UI|Meiryo UI").find(f.lfFaceName) < 30);
        EXPECT_FALSE(::RegisterHotKey(nullptr, 1, MOD_NOREPEAT, VK_MEDIA_NEXT_TRACK));
    }
    EXPECT_TRUE(::RegisterHotKey(nullptr, 1, MOD_NOREPEAT, VK_MEDIA_NEXT_TRACK)); // the thread's, gone with it
}
