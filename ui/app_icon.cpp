// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/app_icon.h"

#include <QPainter>
#include <QPixmap>

QImage daywheelIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(1, 1, size - 2, size - 2);
    p.setPen(QPen(Qt::black, size / 16.0));
    p.setBrush(QColor(192, 192, 255));
    p.drawEllipse(outer);
    // A lit arc from 06:00 to 12:00 (bottom to left), as on the dial.
    const qreal band = size / 5.0;
    QPen arc(QColor(0, 255, 0), band, Qt::SolidLine, Qt::FlatCap);
    p.setPen(arc);
    const QRectF mid = outer.adjusted(band / 2 + 1, band / 2 + 1, -band / 2 - 1, -band / 2 - 1);
    p.drawArc(mid, 180 * 16, 90 * 16);
    p.setPen(QPen(Qt::black, size / 16.0));
    p.setBrush(QColor(255, 0, 0));
    const qreal r = size / 6.0;
    p.drawEllipse(outer.center(), r, r);
    p.drawLine(outer.center(), QPointF(outer.center().x(), outer.top() + band));
    return image;
}

QIcon daywheelIcon()
{
    QIcon icon;
    for (int size : daywheelIconSizes)
        icon.addPixmap(QPixmap::fromImage(daywheelIconImage(size)));
    return icon;
}
