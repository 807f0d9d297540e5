// SPDX-License-Identifier: GPL-3.0-or-later
#include "dial/dial_geometry.h"
#include "dial/dial_surface.h"

#include <QTest>

using namespace DialGeometry;

namespace {
QPointF segmentMiddle(int n)
{
    return point(segmentAngle(n), 6.3);
}
}

class TstDialSurface : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void segmentsShowTheTable();
    void centreDiscShowsTheLight();
    void repaintingTurnsASegmentBackWithoutClearing();
    void handsStayUntilCleared();
    void ticksStandAtTheQuarters();
    void rangeIsOneBandAtEveryScale_data();
    void rangeIsOneBandAtEveryScale();
    void caption();
    void nightRunsFromDuskThroughMidnightToDawn_data();
    void nightRunsFromDuskThroughMidnightToDawn();

private:
    DialSurface surface;
};

void TstDialSurface::init()
{
    surface = DialSurface();
    surface.resize(QSize(361, 449));
}

void TstDialSurface::segmentsShowTheTable()
{
    DayTable t;
    for (int i = 25; i <= 32; ++i)
        t.set(i, 1);
    t.set(40, 2);      // foreign values draw as off
    QCOMPARE(surface.paintDial(t, false), (SlotRun{0, 95}));
    for (int n = 0; n <= 95; ++n) {
        const QColor expected = (n >= 25 && n <= 32) ? DialColours::on : DialColours::background;
        QCOMPARE(surface.colourAtUnits(segmentMiddle(n)), expected);
    }
    // The pointer and the clock call 23:45-24:00 slot 96; it shows in its place.
    t.set(96, 1);
    surface.paintDial(t, false);
    QCOMPARE(surface.colourAtUnits(segmentMiddle(0)), DialColours::on);
}

void TstDialSurface::centreDiscShowsTheLight()
{
    DayTable t;
    surface.paintDial(t, false);
    QCOMPARE(surface.colourAtUnits(QPointF(10.3, 9.3)), DialColours::lightOff);
    surface.paintDial(t, true);
    QCOMPARE(surface.colourAtUnits(QPointF(10.3, 9.3)), DialColours::on);
    // Outside the disc, inside the ring, nothing is painted.
    QCOMPARE(surface.colourAtUnits(QPointF(13, 9.5)), DialColours::background);
}

void TstDialSurface::repaintingTurnsASegmentBackWithoutClearing()
{
    DayTable t;
    t.set(60, 1);
    surface.paintDial(t, false);
    QCOMPARE(surface.colourAtUnits(segmentMiddle(60)), DialColours::on);
    t.set(60, 0);
    surface.paintDial(t, false);
    QCOMPARE(surface.colourAtUnits(segmentMiddle(60)), DialColours::background);
}

void TstDialSurface::handsStayUntilCleared()
{
    // A hand drawn at 03:00 points down-right; halfway along it is black.
    const QPointF along(10 + 3 * std::cos(M_PI / 4), 9 + 3 * std::sin(M_PI / 4));
    surface.paintHand(readClock(QTime(3, 0)).handEnd);
    QCOMPARE(surface.colourAtUnits(along), DialColours::foreground);
    DayTable t;
    surface.paintDial(t, false);   // the dial never erases it
    QCOMPARE(surface.colourAtUnits(along), DialColours::foreground);
    surface.clear();
    QCOMPARE(surface.colourAtUnits(along), DialColours::background);
}

void TstDialSurface::ticksStandAtTheQuarters()
{
    DayTable t;
    surface.paintDial(t, false);
    // Long ticks reach out to 7.3 at right, bottom, left and top only.
    QCOMPARE(surface.colourAtUnits(QPointF(17.2, 9)), DialColours::foreground);
    QCOMPARE(surface.colourAtUnits(QPointF(10, 16.2)), DialColours::foreground);
    QCOMPARE(surface.colourAtUnits(QPointF(2.8, 9)), DialColours::foreground);
    QCOMPARE(surface.colourAtUnits(QPointF(10, 1.8)), DialColours::foreground);
    QCOMPARE(surface.colourAtUnits(point(tickAngle(12), 7.2)), DialColours::background);
    // Hour ticks reach in to 6, quarter ticks do not.
    QCOMPARE(surface.colourAtUnits(point(tickAngle(4), 6.2)), DialColours::foreground);
    QCOMPARE(surface.colourAtUnits(point(tickAngle(5), 6.2)), DialColours::background);
}

void TstDialSurface::rangeIsOneBandAtEveryScale_data()
{
    QTest::addColumn<qreal>("ratio");
    for (qreal ratio : {1.0, 1.25, 1.5, 2.0})
        QTest::addRow("%g", ratio) << ratio;
}

void TstDialSurface::rangeIsOneBandAtEveryScale()
{
    QFETCH(qreal, ratio);
    surface.resize(QSize(361, 449), ratio);
    DayTable t;
    for (int i = 25; i <= 32; ++i)   // 06:00-08:00
        t.set(i, 1);
    surface.paintDial(t, false);
    // All on along its middle, clear of the 07:00 tick; the inner ring 2 px wide.
    int off = 0, ring = 0;
    for (double tick = 24.4; tick < 31.6; tick += 1.0 / 64)
        off += std::abs(tick - 28) > 0.4 && surface.colourAtUnits(point(tickAngle(1) * tick, 6.3)) != DialColours::on;
    for (double x = 15; x < 16; x += 1 / (pixelsPerUnitX * ratio))
        ring += surface.colourAtUnits(QPointF(x, 9.5)).value() < 128;
    QCOMPARE(off, 0);
    QVERIFY2(ring >= qRound(2 * ratio) - 1, qPrintable(QString::number(ring)));
}

void TstDialSurface::caption()
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(dialCaption(QDateTime(QDate(2020, 4, 27), QTime(20, 20, 20)), english),
             QStringLiteral("Time: 20:20:20, Monday, April 27, 2020"));
    QCOMPARE(dialCaption(QDateTime(QDate(2021, 3, 2), QTime(9, 5, 3)), english),
             QStringLiteral("Time: 09:05:03, Tuesday, March 02, 2021"));
}

QTEST_APPLESS_MAIN(TstDialSurface)

void TstDialSurface::nightRunsFromDuskThroughMidnightToDawn_data()
{
    QTest::addColumn<int>("lightFrom");
    QTest::addColumn<int>("darkFrom");
    QTest::addColumn<QString>("hours");   // at hh:30 from 00:30 on, '#' night
    QTest::newRow("spring") << 6 * 3600 << 20 * 3600 + 1200 << "######..............####";
    QTest::newRow("edges inside the hour") << 5 * 3600 + 2400 << 21 * 3600 + 1200 << "######...............###";
    QTest::newRow("sun never rises") << 90000 << -3600 << "########################";
    QTest::newRow("sun never sets") << -3600 << 90000 << "........................";
}

void TstDialSurface::nightRunsFromDuskThroughMidnightToDawn()
{
    QFETCH(int, lightFrom);
    QFETCH(int, darkFrom);
    DayTable t;
    t.set(3, 1);
    surface.paintDial(t, false, NightBand{lightFrom, darkFrom});
    QString hours;
    for (int h = 0; h < 24; ++h)
        hours += surface.colourAtUnits(point(tickAngle(4 * h + 2), 5.8)) == DialColours::night ? u'#' : u'.';
    QTEST(hours, "hours");
    QCOMPARE(surface.colourAtUnits(segmentMiddle(3)), DialColours::on);   // the program still shows
}

#include "tst_dial_surface.moc"
