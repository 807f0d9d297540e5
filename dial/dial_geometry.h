// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QPointF>
#include <QString>
#include <QTime>
#include <optional>

// The main window's drawing units: 20 across the client area, y downwards,
// the dial's centre at (10, 9). Angle 0 points right and grows clockwise.
namespace DialGeometry {

constexpr double twipsPerPixel = 15.0;
constexpr double unitTwipsX = 270.75;
constexpr double unitTwipsY = double(267.474182f);   // stored single precision
constexpr double centreX = 10.0;
constexpr double centreY = 9.0;

// The two rings drawn round the band; presses count strictly between them.
constexpr double ringInner = 5.5;
constexpr double ringOuter = 7.0;

// Pixels per drawing unit at one device-independent pixel per 15 twips.
constexpr double pixelsPerUnitX = unitTwipsX / twipsPerPixel;
constexpr double pixelsPerUnitY = unitTwipsY / twipsPerPixel;

// The point at angle a and radius r, computed in double, handed on in single.
QPointF point(double a, double r);

// Angle of segment n (entry n drawn between ticks n-1 and n) and of tick n.
double segmentAngle(int n);
double tickAngle(int n);

// Pixel position (device-independent) to drawing units, in single precision.
QPointF unitsFromPixels(QPointF pixels);
QPointF pixelsFromUnits(QPointF units);

struct PointerHit {
    double dx = 0;
    double dy = 0;
    double distance = 0;
    SlotIndex slot = 0;
};

// Position in drawing units to the slot under it, or nothing off the ring.
// A position exactly on the vertical through the centre, where the angle's
// quotient is undefined, gives what its neighbour just right of it gives:
// slot 25 below the centre, 72 above.
std::optional<PointerHit> hitTest(QPointF units);

// What the live clock works out from a time of day read to the minute.
struct ClockReading {
    double hourOfDay = 0;
    double slotPosition = 0;
    SlotIndex slot = 0;
    double handAngle = 0;
    QPointF handEnd;
};

ClockReading readClock(QTime time);

// The hidden diagnostic readouts: "dx, dy, d, slot" of a release on the ring
// and "hourOfDay, slot, slotPosition" after a tick.
QString pointerReadout(const PointerHit &hit);
QString clockReadout(const ClockReading &reading);

constexpr double handLength = ringInner;   // the hand reaches the inner ring

}
