#pragma once

#include "handlers/FormControls.h"
#include "handlers/FormEvents.h"
#include "ui/TextArea.h"
#include "player/PlayerState.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zuvelo::testing {

// The window's controls without a window, for handler tests. Follows the same change rule as
// Form1 on Qt: a setter that changes a control's text or value runs its change handler at once,
// nested; the same text or value runs nothing; range setters pull the value into range silently;
// filling Combo1's list leaves its text alone.
class FakeForm : public FormControls {
public:
    FormEvents* events = nullptr;

    std::vector<std::string> combo1List;
    std::string combo1 = "Combo1";
    int hScrollMinimum = 0;
    int hScrollMaximum = kMaxTracks;
    int hScrollValue = 0;
    std::string text1 = "Text1";
    TextArea textArea;
    std::string caption = "Form1";
    int timerInterval = 0;
    int captionWrites = 0; // how many setCaption calls changed the caption

    // As if the user typed: the text changes and the handler runs.
    void typeIntoCombo1(const std::string& text) { setCombo1Text(text); }
    void typeIntoText1(const std::string& text) { setText1Text(text); }
    void moveHScroll1(int value) { setHScroll1Value(value); }

    void setCombo1ListEntry(int index, const std::string& text) override
    {
        if (index == static_cast<int>(combo1List.size()))
            combo1List.push_back(text);
        else
            combo1List.at(static_cast<std::size_t>(index)) = text;
    }
    std::string combo1ListEntry(int index) const override
    {
        return index >= 0 && index < static_cast<int>(combo1List.size()) ? combo1List[static_cast<std::size_t>(index)]
                                                                         : std::string();
    }
    std::string combo1Text() const override { return combo1; }
    void setCombo1Text(const std::string& text) override
    {
        if (text == combo1)
            return;
        combo1 = text;
        if (events)
            events->combo1Change();
    }

    void setHScroll1Minimum(int value) override
    {
        hScrollMinimum = value;
        hScrollMaximum = std::max(hScrollMaximum, value);
        hScrollValue = std::clamp(hScrollValue, hScrollMinimum, hScrollMaximum);
    }
    void setHScroll1Maximum(int value) override
    {
        hScrollMaximum = value;
        hScrollMinimum = std::min(hScrollMinimum, value);
        hScrollValue = std::clamp(hScrollValue, hScrollMinimum, hScrollMaximum);
    }
    void setHScroll1Value(int value) override
    {
        value = std::clamp(value, hScrollMinimum, hScrollMaximum);
        if (value == hScrollValue)
            return;
        hScrollValue = value;
        if (events)
            events->hScroll1Change();
    }
    int hScroll1Value() const override { return hScrollValue; }

    void setText1Text(const std::string& text) override
    {
        if (text == text1)
            return;
        text1 = text;
        if (events)
            events->text1Change();
    }

    void clearTextArea() override { textArea.clear(); }
    void setTextSize(int points) override { textArea.setSize(points); }
    void print(const std::vector<PrintItem>& items) override { textArea.print(items); }

    void setCaption(const std::string& text) override
    {
        if (text != caption)
            ++captionWrites;
        caption = text;
    }
    void setTimer1Interval(int milliseconds) override { timerInterval = milliseconds; }

    // The printed lines' texts, top to bottom.
    std::vector<std::string> printedTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& line : textArea.lines())
            texts.push_back(line.text);
        return texts;
    }
};

} // namespace zuvelo::testing
