#pragma once

// The handler rig where there is no Qt window (the Windows build): the handlers on plain
// controls. Tests that use only playing(), click(), tick() and form.combo1Text() run on either rig.

#include "../HandlerRigCore.h"

#include <algorithm>
#include <map>

namespace zuvelo::testing {

// The controls without a window, keeping FormControls' change rule: a setter that changes a text
// or value runs that control's change handler, nested; range setters never do. A scroll bar
// value is pulled into the range first.
class PlainForm : public FormControls {
public:
    FormEvents* events = nullptr;
    std::vector<std::string> combo1List = std::vector<std::string>(3);
    std::string combo1, text1;
    int minimum = 0, maximum = kMaxTracks, value = 0;

    void setCombo1ListEntry(int i, const std::string& text) override { combo1List.at(std::size_t(i)) = text; }
    std::string combo1ListEntry(int i) const override { return combo1List.at(std::size_t(i)); }
    std::string combo1Text() const override { return combo1; }
    void setCombo1Text(const std::string& text) override { change(combo1, text, &FormEvents::combo1Change); }
    void setHScroll1Minimum(int v) override { minimum = v, value = std::max(value, v); }
    void setHScroll1Maximum(int v) override { maximum = v, value = std::min(value, v); }
    void setHScroll1Value(int v) override { change(value, std::clamp(v, minimum, maximum), &FormEvents::hScroll1Change); }
    int hScroll1Value() const override { return value; }
    void setText1Text(const std::string& text) override { change(text1, text, &FormEvents::text1Change); }
    void clearTextArea() override {}
    void setTextSize(int) override {}
    void print(const std::vector<PrintItem>&) override {}
    void setCaption(const std::string&) override {}
    void setTimer1Interval(int) override {}

private:
    template <typename T>
    void change(T& held, const T& wanted, void (FormEvents::*handler)())
    {
        if (held != wanted)
            held = wanted, (events->*handler)();
    }
};

struct HandlerRig : HandlerRigCore<PlainForm> {
    HandlerRig() { form.events = &handlers; }

    // A button or menu item, by the name the window gives it.
    void click(const std::string& name)
    {
        static const std::map<std::string, void (FormEvents::*)()> events = {
            {"Command1", &FormEvents::command1Click}, {"Command2", &FormEvents::command2Click},
            {"Command3", &FormEvents::command3Click}, {"Command4", &FormEvents::command4Click},
            {"Command5", &FormEvents::command5Click}, {"ra", &FormEvents::raClick}, {"jun", &FormEvents::junClick},
            {"gya", &FormEvents::gyaClick},           {"lis", &FormEvents::lisClick}};
        (handlers.*events.at(name))();
    }
};

} // namespace zuvelo::testing
