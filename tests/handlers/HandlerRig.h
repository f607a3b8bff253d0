#pragma once

#include "HandlerRigCore.h"

#include "ui/Form1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace zuvelo::testing {

// A control of the window, found by its objectName as a user's tools find it.
template <typename T = QWidget>
T* child(const Form1& form, const char* name)
{
    return form.findChild<T*>(QString::fromLatin1(name));
}

// The real window, also keeping what the handlers printed on it: printed() gives each line as
// "top-in-twips points text".
class RecordingForm : public Form1 {
public:
    TextArea shown;
    void clearTextArea() override { Form1::clearTextArea(), shown.clear(); }
    void setTextSize(int points) override { Form1::setTextSize(points), shown.setSize(points); }
    void print(const std::vector<PrintItem>& items) override { Form1::print(items), shown.print(items); }

    Texts printed() const
    {
        Texts lines;
        for (const auto& line : shown.lines())
            lines.push_back(std::to_string(line.topTwips) + " " + std::to_string(line.points) + " " + line.text);
        return lines;
    }
};

// The handler rig on the real window, shown only on request.
struct HandlerRig : HandlerRigCore<RecordingForm> {
    QLineEdit* Text1 = child<QLineEdit>(form, "Text1");
    QScrollBar* HScroll1 = child<QScrollBar>(form, "HScroll1");
    QComboBox* Combo1 = child<QComboBox>(form, "Combo1");

    HandlerRig() { form.setEvents(&handlers); }

    std::string text1() const { return Text1->text().toStdString(); }
    bool show() { return form.show(), QTest::qWaitForWindowExposed(&form); }

    void click(const char* name)
    {
        if (auto* button = child<QPushButton>(form, name))
            button->click();
        else
            child<QAction>(form, name)->trigger();
    }
};

} // namespace zuvelo::testing
