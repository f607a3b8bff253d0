#include "ButtonFont.h"

#include <QStringList>

namespace zuvelo {

// The face the buttons ask for, and what stands in for it, best first.
static const char* const kButtonFace = "ＭＳ Ｐゴシック";
static const char* const kStandIns[] = {"MS PGothic", "IPAPGothic", "IPAGothic", "VL PGothic",
                                        "TakaoPGothic", "Noto Sans CJK JP", "Noto Sans JP",
                                        "Droid Sans Japanese"};

constexpr int kButtonPoints = 18;

// Point sizes are given as pixels so the layout, fixed in pixels, holds at any screen resolution.
static int pointsToPixels(int points)
{
    return (points * 20 + 7) / 15;
}

QFont transportButtonFont()
{
    static const bool registered = [] {
        QStringList standIns;
        for (const char* face : kStandIns)
            standIns << QString::fromUtf8(face);
        QFont::insertSubstitutions(QString::fromUtf8(kButtonFace), standIns);
        return true;
    }();
    (void)registered;

    QFont font(QString::fromUtf8(kButtonFace));
    font.setPixelSize(pointsToPixels(kButtonPoints));
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QFont textAreaFont(const QFont& base, int points)
{
    QFont font(base);
    font.setPixelSize(pointsToPixels(points));
    return font;
}

} // namespace zuvelo
