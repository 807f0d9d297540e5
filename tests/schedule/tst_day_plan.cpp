// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_plan.h"

#include <QTest>

Q_DECLARE_METATYPE(Week)
Q_DECLARE_METATYPE(DayPlan::Dark)

class TstDayPlan : public QObject
{
    Q_OBJECT
private slots:
    void planOfDay_data();
    void planOfDay();
};

void TstDayPlan::planOfDay_data()
{
    QTest::addColumn<Week>("week");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("words");
    QTest::addColumn<DayPlan::Dark>("dark");
    QTest::addColumn<bool>("away");

    // Every day on at slots first..last (1..96; 96 is 0).
    const auto weekOn = [](int first, int last) {
        Week week;
        for (int slot = first; slot <= last; ++slot)
            week.day(1).set(slot, 1);
        week.setEveryDay(week.day(1));
        return week;
    };
    const QDate day(2026, 12, 9);   // a Wednesday; in Berlin the sun rises at 08:04:44 CET, sets at 15:52:41
    Week week = weekOn(25, 32);
    week.day(3).set(61, 1);
    week.day(3).set(62, 7);   // on only where exactly 1
    week.day(3).set(96, 1);
    QTest::newRow("the date's weekday") << week << day << "on 06:00-08:00, 15:00-15:15, 23:45-24:00" << DayPlan::Dark::NotAsked << false;
    week = weekOn(0, 96);
    week.settings.dark[2] = DarkSetting{};
    week.settings.place = Place{5250, 1337};
    QTest::newRow("dark at Berlin, the minute a change falls in") << week << day << "on 00:00-08:04, 15:52-24:00" << DayPlan::Dark::Used << false;
    week.settings.dark[2] = DarkSetting{DarkSetting::Twilight::Civil, 30, -120};   // 07:23:38, 16:33:47
    QTest::newRow("civil, dusk later, dawn earlier") << week << day << "on 00:00-05:23, 17:03-24:00" << DayPlan::Dark::Used << false;
    QTest::newRow("dark on another weekday") << week << day.addDays(1) << "on all day" << DayPlan::Dark::NotAsked << false;
    week.settings.place.reset();
    QTest::newRow("dark without a place") << week << day << "on all day" << DayPlan::Dark::NoPlace << false;
    week.settings.away = AwaySetting{20, day, day};   // no edge to move all day
    QTest::newRow("away on its day") << week << day << "on all day" << DayPlan::Dark::NoPlace << true;
    week = weekOn(25, 88);
    week.settings.away = AwaySetting{20, day.addDays(-1), day};
    QTest::newRow("away after its last day") << week << day.addDays(1) << "on 06:00-22:00" << DayPlan::Dark::NotAsked << false;
}

void TstDayPlan::planOfDay()
{
    QFETCH(Week, week);
    QFETCH(QDate, date);
    QFETCH(QString, words);
    QFETCH(DayPlan::Dark, dark);
    QFETCH(bool, away);

    const DayPlan plan = ::planOfDay(week, date, 60);
    QCOMPARE(planWords(plan), words);
    QCOMPARE(plan.dark, dark);
    QCOMPARE(plan.away, away);
}

QTEST_GUILESS_MAIN(TstDayPlan)
#include "tst_day_plan.moc"
