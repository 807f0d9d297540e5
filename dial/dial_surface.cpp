#include "dial/dial_surface.h"

#include "dial/dial_geometry.h"

#include <QPainter>

using namespace DialGeometry;

namespace {
QPen pen(const QColor &colour, int widthPixels)
{
    QPen p(colour, widthPixels);
    p.setCosmetic(true);   // line widths are in pixels whatever the unit scale
    p.setCapStyle(Qt::FlatCap);
    return p;
}

void circle(QPainter &painter, double radius)
{
    painter.drawEllipse(QPointF(centreX, centreY), radius, radius);
}
}

void DialSurface::resize(QSize size, qreal devicePixelRatio)
{
    QImage next(size * devicePixelRatio, QImage::Format_RGB32);
    next.setDevicePixelRatio(devicePixelRatio);
    next.fill(DialColours::background);
    if (!picture.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, picture);
    }
    picture = next;
}

void DialSurface::clear()
{
    picture.fill(DialColours::background);
}

void DialSurface::beginUnits(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixelsPerUnitX, pixelsPerUnitY);
}

SlotRun DialSurface::paintDial(const DayTable &table, bool lightOn)
{
    QPainter painter(&picture);
    beginUnits(painter);

    painter.setPen(pen(DialColours::foreground, 2));
    painter.setBrush(lightOn ? DialColours::on : DialColours::lightOff);
    circle(painter, 1);
    painter.setBrush(Qt::NoBrush);

    const QPen onPen = pen(DialColours::on, 7);
    const QPen offPen = pen(DialColours::background, 7);
    const SlotRun drawn{0, SlotIndex(DayTable::lastSlot - 1)};
    for (SlotIndex i = drawn.first; i <= drawn.last; ++i) {
        const double a = segmentAngle(i);
        painter.setPen(table.at(i) == 1 ? onPen : offPen);
        painter.drawLine(point(a, 5.6), point(a, 7));
    }

    painter.setPen(pen(DialColours::foreground, 2));
    circle(painter, 7);
    circle(painter, 5.5);

    for (int tick = 0; tick <= 95; ++tick) {
        const double a = tickAngle(tick);
        painter.drawLine(point(a, 6.8), point(a, 7));
        if (tick % 4 == 0)
            painter.drawLine(point(a, 6), point(a, 7));
        if (tick % 24 == 0)
            painter.drawLine(point(a, 5.2), point(a, 7.3));
    }
    return drawn;
}

void DialSurface::paintHand(QPointF end)
{
    QPainter painter(&picture);
    beginUnits(painter);
    painter.setPen(pen(DialColours::foreground, 2));
    painter.drawLine(QPointF(centreX, centreY), end);
}

QColor DialSurface::colourAtUnits(QPointF units) const
{
    const QPointF px = pixelsFromUnits(units) * picture.devicePixelRatio();
    return picture.pixelColor(int(px.x()), int(px.y()));
}

QString dialCaption(const QDateTime &now, const QLocale &locale)
{
    return QStringLiteral("Time: ") + now.time().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(", ")
        + locale.toString(now.date(), QStringLiteral("dddd, MMMM dd, yyyy"));
}
