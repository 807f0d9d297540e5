// SPDX-License-Identifier: GPL-3.0-or-later
#include "dial/dial_geometry.h"

#include "schedule/number_format.h"

#include <cmath>

namespace DialGeometry {

namespace {
// The dial's own approximations of pi; each is used where it always was so
// that positions and slots match what the board and stored files expect.
constexpr double halfTurnDraw = 3.14159;
constexpr double fullTurnAdded = 6.28318;
constexpr double fullTurnDivided = 6.283184;
constexpr double handPi = 3.141592;
}

QPointF point(double a, double r)
{
    return QPointF(float(centreX + r * std::cos(a)), float(centreY + r * std::sin(a)));
}

double segmentAngle(int n)
{
    return (n - 0.5) / 96 * 2 * halfTurnDraw;
}

double tickAngle(int n)
{
    return double(n) / 96 * 2 * halfTurnDraw;
}

QPointF unitsFromPixels(QPointF pixels)
{
    return QPointF(float(pixels.x() * twipsPerPixel / unitTwipsX),
                   float(pixels.y() * twipsPerPixel / unitTwipsY));
}

QPointF pixelsFromUnits(QPointF units)
{
    return QPointF(units.x() * pixelsPerUnitX, units.y() * pixelsPerUnitY);
}

std::optional<PointerHit> hitTest(QPointF units)
{
    PointerHit hit;
    hit.dx = float(units.x()) - centreX;
    hit.dy = float(units.y()) - centreY;
    hit.distance = std::sqrt(hit.dx * hit.dx + hit.dy * hit.dy);
    if (!(hit.distance > ringInner && hit.distance < ringOuter))
        return std::nullopt;

    double angle;
    if (hit.dx == 0) {
        // The quotient is undefined here; take the limit from the right.
        angle = hit.dy > 0 ? std::atan(INFINITY) : std::atan(-INFINITY) + fullTurnAdded;
    } else {
        angle = std::atan(hit.dy / hit.dx);
        if (hit.dx < 0)
            angle += halfTurnDraw;
        if (hit.dy < 0 && hit.dx > 0)
            angle += fullTurnAdded;
    }
    hit.slot = SlotIndex(std::floor(angle / fullTurnDivided * 96 + 1));
    return hit;
}

ClockReading readClock(QTime time)
{
    ClockReading r;
    r.hourOfDay = time.hour() + time.minute() / 60.0;
    r.handAngle = r.hourOfDay / 24 * 2 * handPi;
    r.handEnd = QPointF(float(centreX + handLength * std::cos(r.handAngle)),
                        float(centreY + handLength * std::sin(r.handAngle)));
    r.slotPosition = r.hourOfDay / 24 * 96 + 1;
    r.slot = SlotIndex(r.slotPosition);
    return r;
}

QString pointerReadout(const PointerHit &hit)
{
    const QString sep = QStringLiteral(", ");
    return formatDecimalPattern(hit.dx, 1) + sep + formatDecimalPattern(hit.dy, 1) + sep
        + formatDecimalPattern(hit.distance, 1) + sep + formatDecimalPattern(hit.slot, 1);
}

QString clockReadout(const ClockReading &reading)
{
    const QString sep = QStringLiteral(", ");
    return formatDecimalPattern(reading.hourOfDay, 2) + sep + formatSignedInteger(reading.slot) + sep
        + formatDecimalPattern(reading.slotPosition, 2);
}

}
