// Writes the window's icon as a PNG file for the desktop entry. Usage: zuvelo_write_icon OUT.png
// The build runs it, so the installed icon is always the one the window draws.
#include "ui/WindowIcon.h"

#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
        return 2;
    }
    // Desktops scale icons as squares: centre the drawing on a transparent square.
    const QImage drawing = zuvelo::windowIconImage();
    const int side = std::max(drawing.width(), drawing.height()) + 2;
    QImage square(side, side, QImage::Format_ARGB32);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((side - drawing.width()) / 2, (side - drawing.height()) / 2, drawing);
    }
    if (!square.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
