#pragma once

#include "handlers/FormControls.h"

#include <string>
#include <vector>

namespace zuvelo {

// The window's client area as a print surface: what was printed since the last Clear, with the
// position and font size of each line. Plain data, drawn by Form1 on every repaint so that the
// text persists. Positions are in twips (20 twips = 1 point) from the client area's top left.
//
// Every Print starts at x = 0 (a Clear and every Print end there), so a printed line is simply
// the concatenation of its items at the left edge; nothing wraps.
class TextArea {
public:
    struct Line {
        int topTwips;     // top of the line
        int points;       // font size it was printed at
        std::string text; // UTF-8 bytes
    };

    void clear();
    void setSize(int points);
    void print(const std::vector<PrintItem>& items);

    const std::vector<Line>& lines() const { return m_lines; }
    int currentSize() const { return m_points; }
    int printTopTwips() const { return m_yTwips; }

    // A number item: decimal with one blank before it (or "-" when negative) and one after it.
    static std::string numberItemText(std::int64_t value);

private:
    std::vector<Line> m_lines;
    int m_yTwips = 0;
    int m_points = 9; // the default window font's size until a display operation sets one
};

} // namespace zuvelo
