#pragma once

#include <QFont>

namespace zuvelo {

// The transport buttons' font: "ＭＳ Ｐゴシック" at 18 points, bold. Registers, once, a substitution
// of that face by "MS PGothic", "IPAPGothic" and other Japanese sans faces, so the buttons render
// where the Windows face is missing. Call after the QApplication exists.
QFont transportButtonFont();

// The print surface's font at the given point size: the same proportional Gothic face, regular,
// at 20 twips to the point and 15 twips to the pixel whatever the screen's resolution, rounded
// down to whole pixels. Call after the QApplication exists.
QFont textAreaFont(int points);

// The window's own font (menu, mode box, track box): the platform's, whose Japanese text falls back
// to the same Gothic face as the buttons' rather than to the one fontconfig prefers, so that the
// window maps one Japanese font file, not two (each about 2 MB resident).
QFont windowFont(const QFont& platformFont);

} // namespace zuvelo
