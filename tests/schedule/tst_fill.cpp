#include "schedule/fill.h"
#include "support/slot_lists.h"

#include <QTest>
#include <stdexcept>

Q_DECLARE_METATYPE(FillMode)

class TestFill : public QObject
{
    Q_OBJECT
private slots:
    void fillOnEmptyDay_data();
    void fillOnEmptyDay();
    void paintLeavesForeignValues_data();
    void paintLeavesForeignValues();
    void pointerClickForcesSlot();
    void paintingOffOnlyClearsOnes();
    void clearAllOverwritesEverythingUpTo96();
    void tableChecksItsIndexes();
};

void TestFill::fillOnEmptyDay_data()
{
    QTest::addColumn<FillMode>("mode");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("lit");
    QTest::addColumn<int>("cursorAfter");

    QTest::newRow("preset 06:00-08:00") << FillMode::Preset << 24 << 32 << run(25, 32) << 33;
    QTest::newRow("preset through midnight") << FillMode::Preset << 88 << 8
                                             << (run(89, 96) + run(0, 8)) << 9;
    QTest::newRow("preset 95 -> 0") << FillMode::Preset << 95 << 0 << QList<int>{0, 96} << 1;
    QTest::newRow("preset start = end") << FillMode::Preset << 32 << 32 << QList<int>{} << -7;
    QTest::newRow("preset 95 -> 95") << FillMode::Preset << 95 << 95 << QList<int>{} << -7;
    QTest::newRow("pointer forward") << FillMode::Pointer << 1 << 48 << run(1, 48) << 49;
    QTest::newRow("pointer 90 -> 3") << FillMode::Pointer << 90 << 3
                                     << (run(0, 3) + run(90, 96)) << 4;
    QTest::newRow("pointer 20 -> 10 takes the long way") << FillMode::Pointer << 20 << 10
                                                         << (run(0, 10) + run(20, 96)) << 11;
    QTest::newRow("pointer 96 -> 1") << FillMode::Pointer << 96 << 1 << QList<int>{0, 1, 96} << 2;
    QTest::newRow("pointer 48 -> 1") << FillMode::Pointer << 48 << 1
                                     << (run(0, 1) + run(48, 96)) << 2;
    QTest::newRow("pointer single slot") << FillMode::Pointer << 10 << 10 << QList<int>{10} << 10;
    // Slots 0 and 96 are one quarter hour: writing either writes both.
    QTest::newRow("pointer ends at 96 without wrapping") << FillMode::Pointer << 95 << 96
                                                         << QList<int>{0, 95, 96} << 97;
    QTest::newRow("pointer click on 96") << FillMode::Pointer << 96 << 96 << QList<int>{0, 96} << 96;
    QTest::newRow("pointer from slot 0") << FillMode::Pointer << 0 << 2 << QList<int>{0, 1, 2, 96} << 3;
}

void TestFill::fillOnEmptyDay()
{
    QFETCH(FillMode, mode);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, lit);
    QFETCH(int, cursorAfter);

    DayTable t;
    SlotIndex cursor = -7;
    fillRange(t, SlotIndex(from), SlotIndex(to), 1, mode, cursor);
    std::sort(lit.begin(), lit.end());
    QCOMPARE(slotsHolding(t, 1), lit);
    QCOMPARE(int(cursor), cursorAfter);
}

void TestFill::paintLeavesForeignValues_data()
{
    QTest::addColumn<qint16>("paint");
    QTest::addColumn<qint16>("before");
    QTest::addColumn<qint16>("after");
    QTest::newRow("on over 0") << qint16(1) << qint16(0) << qint16(1);
    QTest::newRow("on over 1") << qint16(1) << qint16(1) << qint16(1);
    QTest::newRow("on over 2") << qint16(1) << qint16(2) << qint16(2);
    QTest::newRow("on over -1") << qint16(1) << qint16(-1) << qint16(-1);
    QTest::newRow("off over 1") << qint16(0) << qint16(1) << qint16(0);
    QTest::newRow("off over 0") << qint16(0) << qint16(0) << qint16(0);
    QTest::newRow("off over 5") << qint16(0) << qint16(5) << qint16(5);
    QTest::newRow("value 7 counts as off") << qint16(7) << qint16(1) << qint16(0);
}

void TestFill::paintLeavesForeignValues()
{
    QFETCH(qint16, paint);
    QFETCH(qint16, before);
    QFETCH(qint16, after);
    DayTable t;
    t.set(40, before);
    SlotIndex cursor = 0;
    fillRange(t, 39, 41, paint, FillMode::Pointer, cursor);
    QCOMPARE(t.at(40), after);
    // The same through a wrap-around preset range.
    DayTable w;
    w.set(0, before);
    fillRange(w, 90, 2, paint, FillMode::Preset, cursor);
    QCOMPARE(w.at(0), after);
}

void TestFill::pointerClickForcesSlot()
{
    DayTable t;
    SlotIndex cursor = 0;
    t.set(10, 5);
    fillRange(t, 10, 10, 1, FillMode::Pointer, cursor);
    QCOMPARE(t.at(10), qint16(1));
    t.set(10, 2);
    fillRange(t, 10, 10, 0, FillMode::Pointer, cursor);
    QCOMPARE(t.at(10), qint16(0));
    // A range around it leaves a foreign value alone.
    t.set(10, 5);
    fillRange(t, 9, 11, 1, FillMode::Pointer, cursor);
    QCOMPARE(t.at(10), qint16(5));
    QCOMPARE(t.at(9), qint16(1));
    QCOMPARE(t.at(11), qint16(1));
}

void TestFill::paintingOffOnlyClearsOnes()
{
    DayTable t;
    SlotIndex cursor = 0;
    fillRange(t, 0, 96, 1, FillMode::Pointer, cursor);
    t.set(50, 2);
    fillRange(t, 88, 8, 0, FillMode::Preset, cursor);
    QCOMPARE(slotsHolding(t, 0), run(0, 8) + run(89, 100));
    QCOMPARE(t.at(50), qint16(2));
}

void TestFill::clearAllOverwritesEverythingUpTo96()
{
    DayTable t;
    for (int i = 0; i <= 96; ++i)
        t.set(i, qint16(i % 3 == 0 ? 1 : -4));
    t.set(97, 9);
    t.set(100, 9);
    SlotIndex cursor = 0;
    clearAll(t, cursor);
    QCOMPARE(slotsHolding(t, 0), run(0, 96) + run(98, 99));
    QCOMPARE(t.at(97), qint16(9));
    QCOMPARE(t.at(100), qint16(9));
    QCOMPARE(int(cursor), 97);
}

void TestFill::tableChecksItsIndexes()
{
    DayTable t;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.at(101));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.set(-1, 1));
    t.set(100, 3);
    QCOMPARE(t.at(100), qint16(3));
}

QTEST_APPLESS_MAIN(TestFill)
#include "tst_fill.moc"
