// SPDX-License-Identifier: GPL-3.0-or-later
#include "dial/dial_surface.h"

#include "dial/dial_geometry.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using namespace DialGeometry;

namespace {
// Line widths are in device-independent pixels: on a screen of twice the
// density a line is twice as many pixels wide, whatever the unit scale.
QPen pen(const QColor &colour, int widthPixels, qreal devicePixelRatio)
{
    QPen p(colour, widthPixels * devicePixelRatio);
    p.setCosmetic(true);
    p.setCapStyle(Qt::FlatCap);
    return p;
}

void circle(QPainter &painter, double radius)
{
    painter.drawEllipse(QPointF(centreX, centreY), radius, radius);
}

// The coloured band lies just inside the inner ring, up to the outer one.
constexpr double bandInner = 5.6;
constexpr double bandOuter = ringOuter;

// The night: the band's inner edge, inside the hour ticks, clear of the
// hands and of the segments' middles (radius 6.3).
constexpr double nightOuter = 6.0;

// The band from tick `from` to tick `to` (segment n lies between ticks n-1
// and n) as one piece, so no seam or gap shows inside it at any scale.
QPolygonF bandPiece(double from, double to, double outer = bandOuter)
{
    constexpr int stepsPerSegment = 4;
    const auto angle = [](double k) { return tickAngle(1) * k / stepsPerSegment; };
    const double first = from * stepsPerSegment, last = to * stepsPerSegment;
    QPolygonF piece;
    piece << point(angle(first), outer);
    for (double k = std::floor(first) + 1; k < last; ++k)
        piece << point(angle(k), outer);
    piece << point(angle(last), outer) << point(angle(last), bandInner);
    for (double k = std::ceil(last) - 1; k > first; --k)
        piece << point(angle(k), bandInner);
    piece << point(angle(first), bandInner);
    return piece;
}

void beginUnits(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixelsPerUnitX, pixelsPerUnitY);
}
}

void DialSurface::resize(QSize size, qreal devicePixelRatio)
{
    drawAskedFor();
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
    askedFor.reset();   // it would be wiped out
    picture.fill(DialColours::background);
}

SlotRun DialSurface::paintDial(const DayTable &day, bool lightOn, std::optional<NightBand> night)
{
    // A request not yet drawn is wholly covered by this one.
    askedFor = DialRequest{day, lightOn, night};
    return {0, SlotIndex(DayTable::lastSlot - 1)};
}

const QImage &DialSurface::image() const
{
    drawAskedFor();
    return picture;
}

void DialSurface::drawAskedFor() const
{
    if (askedFor) {
        const DialRequest request = *askedFor;
        askedFor.reset();
        drawDial(request);
    }
}

void DialSurface::drawDial(const DialRequest &request) const
{
    const DayTable &day = request.day;
    QPainter painter(&picture);
    beginUnits(painter);
    const qreal ratio = picture.devicePixelRatio();

    painter.setPen(pen(DialColours::foreground, 2, ratio));
    painter.setBrush(request.lightOn ? DialColours::on : DialColours::lightOff);
    circle(painter, 1);

    // Segments of one value side by side are drawn as one piece. Entry 0
    // (23:45-24:00) lies before entry 1, so the pieces start where the
    // value changes and may run on through midnight.
    const int count = DayTable::lastSlot;
    const auto isOn = [&](int n) { return day.isOn(SlotIndex((n + count) % count)); };
    int start = 0;
    while (start < count && isOn(start) == isOn(start - 1))
        ++start;
    painter.setPen(Qt::NoPen);
    if (start == count) {
        painter.setBrush(isOn(0) ? DialColours::on : DialColours::background);
        QPainterPath ring;
        ring.addEllipse(QPointF(centreX, centreY), bandOuter, bandOuter);
        ring.addEllipse(QPointF(centreX, centreY), bandInner, bandInner);
        painter.drawPath(ring);
    } else {
        for (int first = start, end; first < start + count; first = end) {
            for (end = first + 1; end < start + count && isOn(end) == isOn(first); ++end) {}
            painter.setBrush(isOn(first) ? DialColours::on : DialColours::background);
            painter.drawPolygon(bandPiece(first - 1, end - 1));
        }
    }

    if (request.night)
        drawNight(painter, *request.night);

    if (rings.size() != picture.size() || rings.devicePixelRatio() != ratio)
        drawRings();
    painter.resetTransform();
    painter.drawImage(0, 0, rings);
}

void DialSurface::drawNight(QPainter &painter, NightBand night)
{
    // Seconds in ticks (one a quarter hour), the night running from darkFrom
    // through midnight to lightFrom; a sun that never rises darkens it all.
    constexpr int day = 24 * 3600, tick = 900;
    const int dark = std::clamp(night.darkFrom, 0, day);
    const int light = std::clamp(night.lightFrom, 0, day);
    painter.setBrush(DialColours::night);
    if (light >= dark) {
        QPainterPath ring;
        ring.addEllipse(QPointF(centreX, centreY), nightOuter, nightOuter);
        ring.addEllipse(QPointF(centreX, centreY), bandInner, bandInner);
        painter.drawPath(ring);
    } else if (dark < day || light > 0) {
        painter.drawPolygon(bandPiece(double(dark) / tick, double(light + day) / tick, nightOuter));
    }
}

void DialSurface::drawRings() const
{
    rings = QImage(picture.size(), QImage::Format_ARGB32_Premultiplied);
    rings.setDevicePixelRatio(picture.devicePixelRatio());
    rings.fill(Qt::transparent);
    QPainter painter(&rings);
    beginUnits(painter);
    painter.setPen(pen(DialColours::foreground, 2, rings.devicePixelRatio()));
    circle(painter, ringOuter);
    circle(painter, ringInner);

    for (int tick = 0; tick <= 95; ++tick) {
        const double a = tickAngle(tick);
        painter.drawLine(point(a, 6.8), point(a, ringOuter));
        if (tick % 4 == 0)
            painter.drawLine(point(a, 6), point(a, ringOuter));
        if (tick % 24 == 0)
            painter.drawLine(point(a, 5.2), point(a, 7.3));
    }
}

void DialSurface::paintHand(QPointF end)
{
    drawAskedFor();
    QPainter painter(&picture);
    beginUnits(painter);
    painter.setPen(pen(DialColours::foreground, 2, picture.devicePixelRatio()));
    painter.drawLine(QPointF(centreX, centreY), end);
}

QColor DialSurface::colourAtUnits(QPointF units) const
{
    const QPointF px = pixelsFromUnits(units) * picture.devicePixelRatio();
    return image().pixelColor(int(px.x()), int(px.y()));
}

QString dialCaption(const QDateTime &now, const QLocale &locale)
{
    // The date's order is the language's, so the pattern is translated too.
    //: A QDate format: dddd the weekday's name, MMMM the month's, dd the day, yyyy the year.
    const QString datePattern = QCoreApplication::translate("DialCaption", "dddd, MMMM dd, yyyy");
    return QCoreApplication::translate("DialCaption", "Time: %1, %2")
        .arg(now.time().toString(QStringLiteral("HH:mm:ss")), locale.toString(now.date(), datePattern));
}
