#include "Form1Windows.h"

#include "common/WindowsText.h"
#include "player/PlayerState.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace zuvelo {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// The client area: 9840 x 960 twips.
constexpr int kClientWidthTwips = 9840;
constexpr int kClientHeightTwips = 960;
constexpr int kButtonPoints = 18;

// The buttons' face, and what stands in for it on an installation without it, best first.
constexpr const wchar_t* kButtonFaces[] = {L"ＭＳ Ｐゴシック", L"Yu Gothic UI", L"Meiryo UI"};

struct ControlPlace {
    Form1::Id id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    RECT twips; // left, top, width, height
};

// Created in the keyboard's tab order (Win32 tabs through the children in creation order):
// Combo1, Command1 ... Command5, HScroll1, Text1. Positions and sizes in twips.
const ControlPlace kControls[] = {
    // A Win32 combo box's height includes its drop-down list: room for the three mode names.
    {Form1::kCombo1, WC_COMBOBOXW, L"Combo1", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, {0, 360, 1455, 1800}},
    {Form1::kCommand1, WC_BUTTONW, L">>", BS_PUSHBUTTON, {8160, 360, 1695, 375}},
    {Form1::kCommand2, WC_BUTTONW, L"<", BS_PUSHBUTTON, {3120, 360, 1695, 375}},
    {Form1::kCommand3, WC_BUTTONW, L"<<", BS_PUSHBUTTON, {1440, 360, 1695, 375}},
    {Form1::kCommand4, WC_BUTTONW, L"| |", BS_PUSHBUTTON, {4800, 360, 1695, 375}},
    {Form1::kCommand5, WC_BUTTONW, L">", BS_PUSHBUTTON, {6480, 360, 1695, 375}},
    {Form1::kHScroll1, WC_SCROLLBARW, L"", SBS_HORZ, {1800, 720, 8055, 255}},
    {Form1::kText1, WC_EDITW, L"Text1", ES_AUTOHSCROLL | WS_BORDER, {1200, 720, 615, 270}},
};

// The media keys, registered system-wide when no other program holds them: hot-key id and key.
constexpr std::pair<int, UINT> kMediaHotKeys[] = {{APPCOMMAND_MEDIA_NEXTTRACK, VK_MEDIA_NEXT_TRACK},
                                                  {APPCOMMAND_MEDIA_PREVIOUSTRACK, VK_MEDIA_PREV_TRACK},
                                                  {APPCOMMAND_MEDIA_PLAY_PAUSE, VK_MEDIA_PLAY_PAUSE},
                                                  {APPCOMMAND_MEDIA_STOP, VK_MEDIA_STOP}};

std::wstring windowText(HWND hwnd)
{
    std::wstring text(std::size_t(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(std::size_t(::GetWindowTextW(hwnd, text.data(), int(text.size()))));
    return text;
}

bool fontInstalled(const wchar_t* face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC dc = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
            return *reinterpret_cast<bool*>(found) = true, 0;
        },
        LPARAM(&found), 0);
    ::ReleaseDC(nullptr, dc);
    return found;
}

const wchar_t* buttonFace()
{
    static const wchar_t* const face = [] {
        for (const wchar_t* candidate : kButtonFaces)
            if (fontInstalled(candidate))
                return candidate;
        return kButtonFaces[0]; // the font mapper picks the nearest Shift-JIS face
    }();
    return face;
}

void deleteFont(HFONT& font)
{
    if (font)
        ::DeleteObject(font);
    font = nullptr;
}

} // namespace

Form1::Form1(FormEvents* events, std::function<bool()> playing) : m_events(events), m_playing(std::move(playing))
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    static const bool registered = [instance] {
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&controls);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = instance;
        wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"Form1", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
    m_dpi = ::GetDpiForWindow(m_hwnd);
    setupMenu();
    setupControls();
    layout();
    // The window's size is the client area's plus the frame and menu bar at this screen's scale.
    RECT frame{0, 0, px(kClientWidthTwips), px(kClientHeightTwips)};
    ::AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0, m_dpi);
    ::SetWindowPos(m_hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& [id, key] : kMediaHotKeys)
        m_hotKeys = ::RegisterHotKey(m_hwnd, id, MOD_NOREPEAT, key) || m_hotKeys;
}

Form1::~Form1()
{
    m_events = nullptr; // nothing reaches the program while the window is torn down
    if (m_hwnd)
        ::DestroyWindow(m_hwnd);
    deleteFont(m_buttonFont);
    deleteFont(m_windowFont);
    for (auto& [points, font] : m_printFonts)
        deleteFont(font);
}

void Form1::show()
{
    ::ShowWindow(m_hwnd, SW_SHOWDEFAULT);
    ::UpdateWindow(m_hwnd);
}

void Form1::setupMenu()
{
    const HMENU bar = ::CreateMenu();
    const HMENU nmu = ::CreatePopupMenu(); // "メニュー"
    ::AppendMenuW(nmu, MF_STRING, kMenuRa, L"ランダム再生");
    ::AppendMenuW(nmu, MF_STRING, kMenuJun, L"最初から順番に再生");
    ::AppendMenuW(nmu, MF_STRING, kMenuGya, L"最後から逆順に再生");
    ::AppendMenuW(nmu, MF_STRING, kMenuLis, L"再生対象ファイル名リスト作成");
    ::AppendMenuW(bar, MF_POPUP, UINT_PTR(nmu), L"メニュー");
    ::SetMenu(m_hwnd, bar);
}

void Form1::setupControls()
{
    for (const ControlPlace& c : kControls)
        ::CreateWindowExW(c.id == kText1 ? WS_EX_CLIENTEDGE : 0, c.className, c.text,
                          c.style | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, m_hwnd, HMENU(INT_PTR(c.id)),
                          ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowTextW(control(kCombo1), m_combo1Text.c_str()); // a drop-down combo box takes no text at creation
    // Until the change handler first sets the range, every track number fits.
    const SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_POS | SIF_PAGE, 0, kMaxTracks, 0, 0, 0};
    ::SetScrollInfo(control(kHScroll1), SB_CTL, &info, FALSE);
}

void Form1::layout()
{
    deleteFont(m_buttonFont);
    deleteFont(m_windowFont);
    for (auto& [points, font] : m_printFonts)
        deleteFont(font);
    m_printFonts.clear();
    m_buttonFont =
        ::CreateFontW(-::MulDiv(kButtonPoints, int(m_dpi), 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, buttonFace());
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, m_dpi);
    m_windowFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
    for (const ControlPlace& c : kControls) {
        const HWND hwnd = control(c.id);
        ::SendMessageW(hwnd, WM_SETFONT, WPARAM(c.id >= kCommand1 && c.id <= kCommand5 ? m_buttonFont : m_windowFont),
                       TRUE);
        ::SetWindowPos(hwnd, nullptr, px(c.twips.left), px(c.twips.top), px(c.twips.right), px(c.twips.bottom),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

HFONT Form1::printFont(int points)
{
    HFONT& font = m_printFonts[points];
    if (!font) {
        LOGFONTW face{};
        ::GetObjectW(m_windowFont, sizeof(face), &face);
        face.lfHeight = -::MulDiv(points, int(m_dpi), 72);
        font = ::CreateFontIndirectW(&face);
    }
    return font;
}

void Form1::paint()
{
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(m_hwnd, &ps);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    for (const TextArea::Line& line : m_textArea.lines()) {
        const HGDIOBJ old = ::SelectObject(dc, printFont(line.points));
        const std::wstring text = toUtf16(line.text);
        ::TextOutW(dc, 0, px(line.topTwips), text.c_str(), int(text.size()));
        ::SelectObject(dc, old);
    }
    ::EndPaint(m_hwnd, &ps);
}

LRESULT CALLBACK Form1::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(self));
    }
    auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->handleMessage(message, wParam, lParam) : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Form1::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: onCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_HSCROLL: onScroll(LOWORD(wParam)); return 0;
    case WM_TIMER:
        if (wParam == kTimer1)
            forward(&FormEvents::timer1Timer);
        return 0;
    case WM_PAINT: paint(); return 0;
    case WM_APPCOMMAND: // the media keys while the window has the focus; the rest (volume) go on
        if (onMediaKey(GET_APPCOMMAND_LPARAM(lParam)))
            return TRUE;
        return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
    case WM_HOTKEY: onMediaKey(int(wParam)); return 0;
    case WM_DPICHANGED: {
        // Moved to a screen of another scale: the suggested rectangle keeps the window's place.
        m_dpi = HIWORD(wParam);
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        layout();
        return 0;
    }
    case WM_CLOSE: // the close box, Alt+F4, the system menu
        close();
        return 0;
    case WM_QUERYENDSESSION: return TRUE; // the session may end; the settings are written once it does
    case WM_ENDSESSION:
        if (wParam)
            close();
        return 0;
    case WM_NCDESTROY:
        if (m_hotKeys)
            for (const auto& [id, key] : kMediaHotKeys)
                ::UnregisterHotKey(m_hwnd, id);
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
        return 0;
    default: return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

void Form1::close()
{
    // Closing cannot be refused: shut-down runs and the window goes.
    ::KillTimer(m_hwnd, kTimer1);
    if (FormEvents* events = std::exchange(m_events, nullptr))
        events->formUnload();
    ::DestroyWindow(m_hwnd);
}

void Form1::forward(void (FormEvents::*event)())
{
    if (m_events)
        (m_events->*event)();
}

void Form1::onCommand(int id, int code)
{
    static constexpr void (FormEvents::*clicks[])() = {&FormEvents::command1Click, &FormEvents::command2Click,
                                                       &FormEvents::command3Click, &FormEvents::command4Click,
                                                       &FormEvents::command5Click};
    static constexpr void (FormEvents::*menu[])() = {&FormEvents::raClick, &FormEvents::junClick, &FormEvents::gyaClick,
                                                     &FormEvents::lisClick};
    if (id >= kCommand1 && id <= kCommand5 && code == BN_CLICKED)
        forward(clicks[id - kCommand1]);
    else if (id >= kMenuRa && id <= kMenuLis && code == 0)
        forward(menu[id - kMenuRa]);
    else if (id == kText1 && code == EN_CHANGE) // on the user's typing and on SetWindowText alike
        forward(&FormEvents::text1Change);
    else if (id == kCombo1 && code == CBN_EDITCHANGE) { // the user typed
        m_combo1Text = windowText(control(kCombo1));
        forward(&FormEvents::combo1Change);
    } else if (id == kCombo1 && code == CBN_SELCHANGE) {
        // The user picked an entry. Whether the edit field shows it yet at this notification
        // depends on how it was picked, so it is put there now and compared with the text the
        // handlers last saw.
        const int picked = int(::SendMessageW(control(kCombo1), CB_GETCURSEL, 0, 0));
        const std::wstring entry = picked >= 0 ? toUtf16(combo1ListEntry(picked)) : m_combo1Text;
        ::SetWindowTextW(control(kCombo1), entry.c_str());
        if (entry != std::exchange(m_combo1Text, entry))
            forward(&FormEvents::combo1Change);
    }
}

void Form1::onScroll(int request)
{
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(control(kHScroll1), SB_CTL, &info);
    int value = info.nPos;
    switch (request) {
    case SB_LINELEFT: // Left
    case SB_PAGELEFT: // Page Up, a click left of the box
        value -= 1;
        break;
    case SB_LINERIGHT: // Right
    case SB_PAGERIGHT: // Page Down
        value += 1;
        break;
    case SB_LEFT: // Home
        value = info.nMin;
        break;
    case SB_RIGHT: // End
        value = info.nMax;
        break;
    case SB_THUMBPOSITION: // the box released: the value changes then, not while it is dragged
        value = info.nTrackPos;
        break;
    default: return;
    }
    setHScroll1Value(value);
}

bool Form1::onMediaKey(int appCommand)
{
    switch (appCommand) {
    case APPCOMMAND_MEDIA_NEXTTRACK: forward(&FormEvents::command1Click); return true;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK: forward(&FormEvents::command3Click); return true;
    case APPCOMMAND_MEDIA_PLAY: forward(&FormEvents::command5Click); return true;
    case APPCOMMAND_MEDIA_PAUSE:
    case APPCOMMAND_MEDIA_STOP: // no stop button: the pause button halts the track in place
        forward(&FormEvents::command4Click);
        return true;
    case APPCOMMAND_MEDIA_PLAY_PAUSE:
        forward(m_playing && m_playing() ? &FormEvents::command4Click : &FormEvents::command5Click);
        return true;
    default: return false;
    }
}

void Form1::setCombo1ListEntry(int index, const std::string& text)
{
    const HWND combo = control(kCombo1);
    const std::wstring entry = toUtf16(text), shown = windowText(combo);
    if (index < int(::SendMessageW(combo, CB_GETCOUNT, 0, 0)))
        ::SendMessageW(combo, CB_DELETESTRING, WPARAM(index), 0);
    ::SendMessageW(combo, CB_INSERTSTRING, WPARAM(index), LPARAM(entry.c_str()));
    // Filling the list leaves the box's text alone (and without a change event).
    ::SetWindowTextW(combo, shown.c_str());
}

std::string Form1::combo1ListEntry(int index) const
{
    const HWND combo = control(kCombo1);
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring entry(std::size_t(length) + 1, L'\0');
    entry.resize(std::size_t(::SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(entry.data()))));
    return toUtf8(entry).value_or(std::string());
}

std::string Form1::combo1Text() const
{
    return toUtf8(windowText(control(kCombo1))).value_or(std::string());
}

void Form1::setCombo1Text(const std::string& text)
{
    // A combo box does not notify a change made by SetWindowText: the handler runs from here.
    const std::wstring value = toUtf16(text);
    if (windowText(control(kCombo1)) == value)
        return;
    ::SetWindowTextW(control(kCombo1), value.c_str());
    m_combo1Text = value;
    forward(&FormEvents::combo1Change);
}

void Form1::setHScroll1Minimum(int value)
{
    // The position is pulled into the new range without a change event.
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(control(kHScroll1), SB_CTL, &info);
    ::SetScrollRange(control(kHScroll1), SB_CTL, value, std::max(value, info.nMax), TRUE);
}

void Form1::setHScroll1Maximum(int value)
{
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(control(kHScroll1), SB_CTL, &info);
    ::SetScrollRange(control(kHScroll1), SB_CTL, std::min(value, info.nMin), value, TRUE);
}

void Form1::setHScroll1Value(int value)
{
    // A scroll bar never notifies SetScrollPos: the handler runs from here.
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
    ::GetScrollInfo(control(kHScroll1), SB_CTL, &info);
    value = std::clamp(value, info.nMin, info.nMax);
    if (value == info.nPos)
        return;
    ::SetScrollPos(control(kHScroll1), SB_CTL, value, TRUE);
    forward(&FormEvents::hScroll1Change);
}

int Form1::hScroll1Value() const
{
    return ::GetScrollPos(control(kHScroll1), SB_CTL);
}

void Form1::setText1Text(const std::string& text)
{
    // An edit box notifies SetWindowText itself (EN_CHANGE): only a real change is made.
    const std::wstring value = toUtf16(text);
    if (windowText(control(kText1)) != value)
        ::SetWindowTextW(control(kText1), value.c_str());
}

void Form1::clearTextArea()
{
    m_textArea.clear();
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

void Form1::setTextSize(int points)
{
    m_textArea.setSize(points);
}

void Form1::print(const std::vector<PrintItem>& items)
{
    m_textArea.print(items);
    ::InvalidateRect(m_hwnd, nullptr, TRUE);
}

void Form1::setCaption(const std::string& caption)
{
    // Ten times a second, mostly the same text: only a real change reaches the window system.
    if (caption == m_caption)
        return;
    m_caption = caption;
    ::SetWindowTextW(m_hwnd, toUtf16(caption).c_str());
}

void Form1::setTimer1Interval(int milliseconds)
{
    if (milliseconds > 0)
        ::SetTimer(m_hwnd, kTimer1, UINT(milliseconds), nullptr);
    else
        ::KillTimer(m_hwnd, kTimer1);
}

} // namespace zuvelo
