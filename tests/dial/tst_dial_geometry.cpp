// SPDX-License-Identifier: GPL-3.0-or-later
#include "dial/dial_geometry.h"

#include <QTest>
#include <cmath>

using namespace DialGeometry;

class TstDialGeometry : public QObject
{
    Q_OBJECT
private slots:
    void slotUnderPosition_data();
    void slotUnderPosition();
    void everyRingPositionGivesASlotOfTheDay();
    void slotsFollowTheSegmentsDrawn();
    void unitConversion();
    void clockEveryMinute();
    void clockHandEnds();
    void readouts();
};

void TstDialGeometry::slotUnderPosition_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("slot");   // -1: off the ring

    QTest::newRow("right, on the horizontal") << 16.0 << 9.0 << 1;
    QTest::newRow("just above the right horizontal") << 16.0 << 8.999 << 96;
    QTest::newRow("left, on the horizontal") << 4.0 << 9.0 << 48;
    QTest::newRow("45 degrees down right") << 10 + 6 / std::sqrt(2.0) << 9 + 6 / std::sqrt(2.0) << 13;
    // The nearest single-precision neighbours of the vertical through the centre.
    QTest::newRow("just left of straight down") << 9.999999 << 15.0 << 24;
    QTest::newRow("just right of straight down") << 10.000001 << 15.0 << 25;
    QTest::newRow("straight down") << 10.0 << 15.0 << 25;
    QTest::newRow("just left of straight up") << 9.999999 << 3.0 << 72;
    QTest::newRow("just right of straight up") << 10.000001 << 3.0 << 72;
    QTest::newRow("straight up") << 10.0 << 3.0 << 72;
    QTest::newRow("inner ring edge excluded") << 15.5 << 9.0 << -1;
    QTest::newRow("outer ring edge excluded") << 17.0 << 9.0 << -1;
    QTest::newRow("just inside the inner edge") << 15.51 << 9.0 << 1;
    QTest::newRow("centre") << 10.0 << 9.0 << -1;
    QTest::newRow("far corner") << 20.0 << 25.0 << -1;
}

void TstDialGeometry::slotUnderPosition()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, slot);
    const auto hit = hitTest(QPointF(x, y));
    if (slot < 0) {
        QVERIFY(!hit);
    } else {
        QVERIFY(hit);
        QCOMPARE(int(hit->slot), slot);
    }
}

void TstDialGeometry::everyRingPositionGivesASlotOfTheDay()
{
    // Sweep the ring finely, on and beside the axes: no slot outside 1..96,
    // and slots only ever grow going clockwise from the right.
    int previous = 1;
    for (int step = 0; step < 20000; ++step) {
        const double a = step / 20000.0 * 2 * M_PI;
        const auto hit = hitTest(QPointF(10 + 6.2 * std::cos(a), 9 + 6.2 * std::sin(a)));
        QVERIFY(hit);
        QVERIFY2(hit->slot >= 1 && hit->slot <= 96, qPrintable(QString::number(hit->slot)));
        QVERIFY(hit->slot >= previous);
        previous = hit->slot;
    }
    QCOMPARE(previous, 96);
}

void TstDialGeometry::slotsFollowTheSegmentsDrawn()
{
    // The middle of segment n (drawn for entry n) lies in slot n.
    for (int n = 1; n <= 95; ++n) {
        const auto hit = hitTest(point(segmentAngle(n), 6.3));
        QVERIFY(hit);
        QCOMPARE(int(hit->slot), n);
    }
    // Entry 0 is drawn in the last quarter hour, where the pointer gives 96.
    QCOMPARE(int(hitTest(point(segmentAngle(0), 6.3))->slot), 96);
}

void TstDialGeometry::unitConversion()
{
    const QPointF centre = pixelsFromUnits(QPointF(10, 9));
    QCOMPARE(centre.x() * 15, 2707.5);
    QVERIFY(std::fabs(centre.y() * 15 - 2407.27) < 0.01);
    const QPointF corner = unitsFromPixels(QPointF(5415 / 15.0, 6735 / 15.0));
    QCOMPARE(corner.x(), 20.0);
    QVERIFY(std::fabs(corner.y() - 25.18) < 0.005);
}

void TstDialGeometry::clockEveryMinute()
{
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; ++m) {
            const ClockReading r = readClock(QTime(h, m));
            QCOMPARE(int(r.slot), 4 * h + m / 15 + 1);
        }
    }
    QCOMPARE(int(readClock(QTime(6, 0)).slot), 25);
    QCOMPARE(int(readClock(QTime(6, 14)).slot), 25);
    QCOMPARE(int(readClock(QTime(6, 15)).slot), 26);
    QCOMPARE(int(readClock(QTime(23, 59)).slot), 96);
    QCOMPARE(readClock(QTime(0, 0)).slotPosition, 1.0);
}

void TstDialGeometry::clockHandEnds()
{
    QCOMPARE(readClock(QTime(0, 0)).handEnd, QPointF(15.5, 9));
    const QPointF noon = readClock(QTime(12, 0)).handEnd;
    QCOMPARE(float(noon.x()), 4.5f);
    QCOMPARE(float(noon.y()), 9.000004f);
    const QPointF evening = readClock(QTime(18, 0)).handEnd;
    QCOMPARE(float(evening.x()), 9.999994f);
    QCOMPARE(float(evening.y()), 3.5f);
    // The seconds play no part: the hand moves once a minute.
    QCOMPARE(readClock(QTime(7, 30, 59)).handEnd, readClock(QTime(7, 30, 0)).handEnd);
}

void TstDialGeometry::readouts()
{
    QCOMPARE(clockReadout(readClock(QTime(14, 20))), QStringLiteral("14.33,  58, 58.33"));
    QCOMPARE(clockReadout(readClock(QTime(0, 0))), QStringLiteral(".,  1, 1."));
    PointerHit hit{6.04, -0.5, 6.0607, 13};
    QCOMPARE(pointerReadout(hit), QStringLiteral("6., -.5, 6.1, 13."));
}

QTEST_APPLESS_MAIN(TstDialGeometry)
#include "tst_dial_geometry.moc"
