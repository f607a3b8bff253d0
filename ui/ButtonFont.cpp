#include "ButtonFont.h"

#include <QStringList>

namespace zuvelo {

// The face the buttons ask for, and what stands in for it, best first.
static const char* const kButtonFace = "ＭＳ Ｐゴシック";
static const char* const kStandIns[] = {"MS PGothic",   "IPAPGothic",       "IPAGothic",    "VL PGothic",
                                        "TakaoPGothic", "Noto Sans CJK JP", "Noto Sans JP", "Droid Sans Japanese"};

constexpr int kButtonPoints = 18;

static QStringList standIns()
{
    QStringList faces;
    for (const char* face : kStandIns)
        faces << QString::fromUtf8(face);
    return faces;
}

// Point sizes are given as pixels so the layout, fixed in pixels, holds at any screen resolution.
static int pointsToPixels(int points)
{
    return (points * 20 + 7) / 15;
}

static QFont standInFace()
{
    static const bool registered = [] {
        QFont::insertSubstitutions(QString::fromUtf8(kButtonFace), standIns());
        return true;
    }();
    (void)registered;
    QFont font(QString::fromUtf8(kButtonFace));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QFont transportButtonFont()
{
    QFont font = standInFace();
    font.setPixelSize(pointsToPixels(kButtonPoints));
    font.setWeight(QFont::Bold);
    return font;
}

QFont textAreaFont(int points)
{
    // The layout was drawn for a window font that is this proportional Gothic, whose Latin digits
    // are about half an em wide. The stand-ins' are wider (IPA P Gothic 0.63 em), so at the
    // rounded 15 pixels of 11 points the count line "全 50000 曲" would run under Text1, which
    // begins 80 pixels in; at 14 pixels (11 points is 14.7) it ends left of it. Whole-pixel sizes
    // (18, 9 points) are exact.
    QFont font = standInFace();
    font.setPixelSize(points * 20 / 15);
    return font;
}

QFont windowFont(const QFont& platformFont)
{
    QFont font = platformFont;
    font.setFamilies(QStringList(platformFont.families().value(0, platformFont.family())) << standIns());
    return font;
}

} // namespace zuvelo
