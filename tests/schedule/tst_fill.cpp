// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_words.h"
#include "schedule/fill.h"
#include "support/slot_lists.h"

#include <QTest>
#include <stdexcept>

Q_DECLARE_METATYPE(FillMode)

class TstFill : public QObject
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
    void dayChecksItsIndexes();
};

void TstFill::fillOnEmptyDay_data()
{
    QTest::addColumn<FillMode>("mode");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("lit");
    QTest::addColumn<QString>("went");   // the run returned, "first-last"
    QTest::addColumn<QString>("words");   // the day as a screen reader hears it

    QTest::newRow("preset 06:00-08:00") << FillMode::Preset << 24 << 32 << run(25, 32) << "25-32"
        << "on 06:00-08:00";
    QTest::newRow("preset through midnight") << FillMode::Preset << 88 << 8
                                             << (run(89, 96) + run(0, 8)) << "89-8" << "on 22:00-02:00";
    QTest::newRow("preset 95 -> 0") << FillMode::Preset << 95 << 0 << QList<int>{0, 96} << "96-0"
        << "on 23:45-24:00";
    QTest::newRow("preset start = end") << FillMode::Preset << 32 << 32 << QList<int>{} << "" << "off all day";
    QTest::newRow("preset 95 -> 95") << FillMode::Preset << 95 << 95 << QList<int>{} << "" << "off all day";
    QTest::newRow("pointer forward") << FillMode::Pointer << 1 << 48 << run(1, 48) << "1-48"
        << "on 00:00-12:00";
    QTest::newRow("pointer 90 -> 3") << FillMode::Pointer << 90 << 3
                                     << (run(0, 3) + run(90, 96)) << "90-3" << "on 22:15-00:45";
    QTest::newRow("pointer 20 -> 10 takes the long way") << FillMode::Pointer << 20 << 10
                                                         << (run(0, 10) + run(20, 96)) << "20-10"
        << "on 04:45-02:30";
    QTest::newRow("pointer 96 -> 1") << FillMode::Pointer << 96 << 1 << QList<int>{0, 1, 96} << "96-1"
        << "on 23:45-00:15";
    QTest::newRow("pointer 48 -> 1") << FillMode::Pointer << 48 << 1
                                     << (run(0, 1) + run(48, 96)) << "48-1" << "on 11:45-00:15";
    QTest::newRow("pointer single slot") << FillMode::Pointer << 10 << 10 << QList<int>{10} << "10-10"
        << "on 02:15-02:30";
    // Slots 0 and 96 are one quarter hour: writing either writes both.
    QTest::newRow("pointer ends at 96 without wrapping") << FillMode::Pointer << 95 << 96
                                                         << QList<int>{0, 95, 96} << "95-96" << "on 23:30-24:00";
    QTest::newRow("pointer click on 96") << FillMode::Pointer << 96 << 96 << QList<int>{0, 96} << "96-96"
        << "on 23:45-24:00";
    QTest::newRow("pointer 1 -> 96: all day") << FillMode::Pointer << 1 << 96 << run(0, 96) << "1-96"
                                              << "on all day";
    QTest::newRow("pointer from slot 0") << FillMode::Pointer << 0 << 2 << QList<int>{0, 1, 2, 96} << "0-2"
                                         << "on 23:45-00:30";
}

void TstFill::fillOnEmptyDay()
{
    QFETCH(FillMode, mode);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, lit);
    QFETCH(QString, went);
    QFETCH(QString, words);

    DayTable t;
    const auto filled = paintSlots(t, SlotIndex(from), SlotIndex(to), true, mode);
    std::sort(lit.begin(), lit.end());
    QCOMPARE(slotsHolding(t, 1), lit);
    QCOMPARE(filled ? QStringLiteral("%1-%2").arg(filled->first).arg(filled->last) : QString(), went);
    QCOMPARE(dayInWords(t), words);
}

void TstFill::paintLeavesForeignValues_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<qint16>("before");
    QTest::addColumn<qint16>("after");
    QTest::newRow("on over 0") << true << qint16(0) << qint16(1);
    QTest::newRow("on over 1") << true << qint16(1) << qint16(1);
    QTest::newRow("on over 2") << true << qint16(2) << qint16(2);
    QTest::newRow("on over -1") << true << qint16(-1) << qint16(-1);
    QTest::newRow("off over 1") << false << qint16(1) << qint16(0);
    QTest::newRow("off over 0") << false << qint16(0) << qint16(0);
    QTest::newRow("off over 5") << false << qint16(5) << qint16(5);
}

void TstFill::paintLeavesForeignValues()
{
    QFETCH(bool, on);
    QFETCH(qint16, before);
    QFETCH(qint16, after);
    DayTable day;
    day.set(40, before);
    paintSlots(day, 39, 41, on, FillMode::Pointer);
    QCOMPARE(day.at(40), after);
    // The same through a wrap-around preset range.
    DayTable wrapped;
    wrapped.set(0, before);
    paintSlots(wrapped, 90, 2, on, FillMode::Preset);
    QCOMPARE(wrapped.at(0), after);
}

void TstFill::pointerClickForcesSlot()
{
    DayTable t;
    t.set(10, 5);
    paintSlots(t, 10, 10, true, FillMode::Pointer);
    QCOMPARE(t.at(10), qint16(1));
    t.set(10, 2);
    paintSlots(t, 10, 10, false, FillMode::Pointer);
    QCOMPARE(t.at(10), qint16(0));
    // A range around it leaves a foreign value alone.
    t.set(10, 5);
    paintSlots(t, 9, 11, true, FillMode::Pointer);
    QCOMPARE(t.at(10), qint16(5));
    QCOMPARE(t.at(9), qint16(1));
    QCOMPARE(t.at(11), qint16(1));
    QCOMPARE(dayInWords(t), QStringLiteral("on 02:00-02:15, 02:30-02:45"));   // 5 is not on
}

void TstFill::paintingOffOnlyClearsOnes()
{
    DayTable t;
    paintSlots(t, 0, 96, true, FillMode::Pointer);
    t.set(50, 2);
    paintSlots(t, 88, 8, false, FillMode::Preset);
    QCOMPARE(slotsHolding(t, 0), run(0, 8) + run(89, 100));
    QCOMPARE(t.at(50), qint16(2));
}

void TstFill::clearAllOverwritesEverythingUpTo96()
{
    DayTable t;
    for (int i = 0; i <= 96; ++i)
        t.set(i, qint16(i % 3 == 0 ? 1 : -4));
    t.set(97, 9);
    t.set(100, 9);
    QCOMPARE(clearAll(t), (SlotRun{0, 96}));
    QCOMPARE(slotsHolding(t, 0), run(0, 96) + run(98, 99));
    QCOMPARE(t.at(97), qint16(9));
    QCOMPARE(t.at(100), qint16(9));
}

void TstFill::dayChecksItsIndexes()
{
    DayTable t;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.at(101));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, t.set(-1, 1));
    t.set(100, 3);
    QCOMPARE(t.at(100), qint16(3));
}

QTEST_APPLESS_MAIN(TstFill)
#include "tst_fill.moc"
