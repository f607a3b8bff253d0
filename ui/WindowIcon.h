#pragma once

#include <QImage>

namespace zuvelo {

// The window's icon: 126 x 116 pixels in two colours, the rest transparent (a quaver on a disc).
// Drawn in code so the executable carries it with no file beside it.
QImage windowIconImage();

} // namespace zuvelo
