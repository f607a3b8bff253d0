#include "WindowIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace zuvelo {

constexpr int kIconWidth = 126;
constexpr int kIconHeight = 116;

QImage windowIconImage()
{
    QImage image(kIconWidth, kIconHeight, QImage::Format_ARGB32);
    image.fill(Qt::transparent);

    const QColor disc(0x1f, 0x3a, 0x68); // deep blue
    const QColor note(0xf4, 0xc0, 0x30); // warm yellow

    QPainter p(&image);
    // No antialiasing: every pixel is one of the two colours or fully transparent.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);

    p.setBrush(disc);
    p.drawEllipse(QRect(5, 0, 116, 116));

    p.setBrush(note);
    p.drawEllipse(QRect(30, 70, 30, 22)); // note head
    p.drawRect(QRect(54, 24, 7, 58));     // stem
    QPainterPath flag;                    // the quaver's flag
    flag.moveTo(58, 24);
    flag.cubicTo(72, 34, 92, 40, 86, 70);
    flag.cubicTo(84, 54, 74, 46, 58, 44);
    flag.closeSubpath();
    p.drawPath(flag);
    p.end();
    return image;
}

} // namespace zuvelo
