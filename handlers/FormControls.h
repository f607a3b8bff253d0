#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace zuvelo {

// One item of a Print: a text drawn unchanged, or a number drawn in decimal with a blank before
// it (the place of a minus sign) and a blank after it.
using PrintItem = std::variant<std::string, std::int64_t>;

// The controls of the main window that the handlers touch, and nothing more. Implemented by the
// Qt window Form1 and by a fake in tests. Texts are UTF-8 bytes (file names as the file system
// gave them). Called from the user-interface thread only.
//
// Change rule: setting Combo1's text, Text1's text or HScroll1's value to something different from
// what the control holds runs that control's change handler at once, nested inside the setter;
// setting the same text or value runs nothing. Range setters never run a handler.
class FormControls {
public:
    virtual ~FormControls() = default;

    // Combo1: the mode box. Setting entry i of a list that holds i entries appends it. Filling the
    // list never changes the box's text.
    virtual void setCombo1ListEntry(int index, const std::string& text) = 0;
    virtual std::string combo1ListEntry(int index) const = 0;
    virtual std::string combo1Text() const = 0;
    virtual void setCombo1Text(const std::string& text) = 0;

    // HScroll1: the track scroll bar, 0 to kMaxTracks by default.
    virtual void setHScroll1Minimum(int value) = 0;
    virtual void setHScroll1Maximum(int value) = 0;
    virtual void setHScroll1Value(int value) = 0;
    virtual int hScroll1Value() const = 0;

    // Text1: the track-number box.
    virtual void setText1Text(const std::string& text) = 0;

    // The window's client area as a print surface.
    virtual void clearTextArea() = 0;                            // erase all, print position to (0, 0)
    virtual void setTextSize(int points) = 0;                    // for what is printed from now on
    virtual void print(const std::vector<PrintItem>& items) = 0; // one line, then a line feed

    // The window caption.
    virtual void setCaption(const std::string& caption) = 0;

    // Timer1: arms the playback monitor's timer; 0 stops it.
    virtual void setTimer1Interval(int milliseconds) = 0;
};

} // namespace zuvelo
