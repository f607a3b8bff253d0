#include "TextArea.h"

namespace zuvelo {

// 20 twips to the point: a line is as high as its font's point size.
constexpr int kTwipsPerPoint = 20;

void TextArea::clear()
{
    m_lines.clear();
    m_yTwips = 0;
}

void TextArea::setSize(int points)
{
    m_points = points;
}

std::string TextArea::numberItemText(std::int64_t value)
{
    if (value < 0)
        return std::to_string(value) + " ";
    return " " + std::to_string(value) + " ";
}

void TextArea::print(const std::vector<PrintItem>& items)
{
    std::string text;
    for (const PrintItem& item : items) {
        if (const auto* s = std::get_if<std::string>(&item))
            text += *s;
        else
            text += numberItemText(std::get<std::int64_t>(item));
    }
    // An empty Print only moves down; there is nothing to keep for it.
    if (!text.empty())
        m_lines.push_back({m_yTwips, m_points, std::move(text)});
    m_yTwips += m_points * kTwipsPerPoint;
}

} // namespace zuvelo
