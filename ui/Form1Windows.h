#pragma once

#include "handlers/FormControls.h"
#include "handlers/FormEvents.h"
#include "TextArea.h"

#include <windows.h>

#include <functional>
#include <map>

namespace zuvelo {

// The program's one window on Windows, plain Win32: a menu, the mode box, five transport buttons,
// the track-number box and scroll bar, over a client area that doubles as a print surface. It only
// shows and forwards: every event goes to the FormEvents given to it. Layout in twips, converted
// at the window's own DPI (15 twips a pixel at 96 DPI) and again when it moves to a screen of
// another scale.
//
// Win32 notifies changes its own way (an edit box on SetWindowText too, a combo box only when the
// user acts, a scroll bar never when the program moves it), so the window keeps FormControls'
// change rule itself: a setter that changes a control runs its handler once, nested; a user's
// change runs it once. Create and use on one thread, which runs the message loop.
class Form1 : public FormControls {
public:
    // Control ids, for WM_COMMAND and for finding the controls from outside (GetDlgItem).
    enum Id : int {
        kCombo1 = 100,
        kCommand1,
        kCommand2,
        kCommand3,
        kCommand4,
        kCommand5,
        kHScroll1,
        kText1,
        kMenuRa = 200,
        kMenuJun,
        kMenuGya,
        kMenuLis,
    };
    static constexpr const wchar_t* kClassName = L"ZuveloForm1";

    // Creates the window, hidden. playing says whether a track plays, for the play/pause key.
    explicit Form1(FormEvents* events = nullptr, std::function<bool()> playing = {});
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    void setEvents(FormEvents* events) { m_events = events; }
    void show();
    HWND handle() const { return m_hwnd; }
    HWND control(Id id) const { return ::GetDlgItem(m_hwnd, id); }

    // FormControls
    void setCombo1ListEntry(int index, const std::string& text) override;
    std::string combo1ListEntry(int index) const override;
    std::string combo1Text() const override;
    void setCombo1Text(const std::string& text) override;
    void setHScroll1Minimum(int value) override;
    void setHScroll1Maximum(int value) override;
    void setHScroll1Value(int value) override;
    int hScroll1Value() const override;
    void setText1Text(const std::string& text) override;
    void clearTextArea() override;
    void setTextSize(int points) override;
    void print(const std::vector<PrintItem>& items) override;
    void setCaption(const std::string& caption) override;
    void setTimer1Interval(int milliseconds) override;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void setupMenu();
    void setupControls();
    void layout(); // places the controls and makes the fonts for m_dpi
    void onCommand(int id, int code);
    void onScroll(int request);
    bool onMediaKey(int appCommand); // false: not a media key
    void paint();
    void close(); // shut-down runs and the window goes
    void forward(void (FormEvents::*event)());
    int px(int twips) const { return ::MulDiv(twips, int(m_dpi), 1440); }
    HFONT printFont(int points);

    HWND m_hwnd = nullptr;
    FormEvents* m_events = nullptr;
    std::function<bool()> m_playing;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    HFONT m_buttonFont = nullptr;      // the transport buttons' face, 18 points bold
    HFONT m_windowFont = nullptr;      // the platform's message font: Combo1 and Text1
    std::map<int, HFONT> m_printFonts; // by points, at m_dpi
    TextArea m_textArea;
    std::string m_caption = "Form1";
    std::wstring m_combo1Text = L"Combo1"; // Combo1's text as the handlers last saw it changed
    bool m_hotKeys = false;                // the media keys registered system-wide
};

} // namespace zuvelo
