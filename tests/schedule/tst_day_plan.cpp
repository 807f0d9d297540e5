// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_plan.h"

#include <QTest>

Q_DECLARE_METATYPE(Week)
Q_DECLARE_METATYPE(DayPlan::Dark)

namespace {
// A week whose every day is on at slots first..last (1..96; 0 is 96).
Week weekOn(int first, int last)
{
    DayTable day;
    for (int slot = first; slot <= last; ++slot)
        day.set(slot, 1);
    Week week;
    week.setEveryDay(day);
    return week;
}
}

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
    QTest::addColumn<int>("awayMinutes");   // 0: the edges are the program's

    const QDate berlinDay(2026, 12, 9);   // a Wednesday: sunrise 08:04:44, sunset 15:52:41 (CET)
    Week plain = weekOn(25, 32);
    plain.day(3).set(61, 1);
    plain.day(3).set(62, 7);   // on only where exactly 1
    plain.day(3).set(96, 1);
    QTest::newRow("plain program, the date's weekday") << plain << berlinDay << "on 06:00-08:00, 15:00-15:15, 23:45-24:00"
                                                       << DayPlan::Dark::NotAsked << 0;
    QTest::newRow("plain program, another weekday") << plain << berlinDay.addDays(1) << "on 06:00-08:00" << DayPlan::Dark::NotAsked << 0;
    QTest::newRow("on all day") << weekOn(0, 96) << berlinDay << "on all day" << DayPlan::Dark::NotAsked << 0;
    QTest::newRow("off all day") << Week() << berlinDay << "off all day" << DayPlan::Dark::NotAsked << 0;

    Week dark = weekOn(0, 96);
    dark.settings.dark[2] = DarkSetting{};
    dark.settings.place = Place{5250, 1337};
    QTest::newRow("dark at Berlin: the minute each change falls in")
        << dark << berlinDay << "on 00:00-08:04, 15:52-24:00" << DayPlan::Dark::Used << 0;
    dark.settings.dark[2] = DarkSetting{DarkSetting::Twilight::Civil, 30, -120};
    QTest::newRow("dark at Berlin: civil twilight, dusk later, dawn earlier")
        << dark << berlinDay << "on 00:00-05:23, 17:03-24:00" << DayPlan::Dark::Used << 0;
    QTest::newRow("dark asked on another weekday") << dark << berlinDay.addDays(1) << "on all day" << DayPlan::Dark::NotAsked << 0;
    dark.settings.place.reset();
    QTest::newRow("dark without a place: the program") << dark << berlinDay << "on all day" << DayPlan::Dark::NoPlace << 0;

    Week away = weekOn(25, 88);
    away.settings.away = AwaySetting{20, berlinDay, berlinDay};
    QTest::newRow("away on its day") << away << berlinDay << QString() << DayPlan::Dark::NotAsked << 20;
    QTest::newRow("away after its last day") << away << berlinDay.addDays(1) << "on 06:00-22:00" << DayPlan::Dark::NotAsked << 0;
}

void TstDayPlan::planOfDay()
{
    QFETCH(Week, week);
    QFETCH(QDate, date);
    QFETCH(QString, words);
    QFETCH(DayPlan::Dark, dark);
    QFETCH(int, awayMinutes);

    const DayPlan plan = ::planOfDay(week, date, 60);
    QCOMPARE(plan.dark, dark);
    QCOMPARE(plan.away, awayMinutes > 0);
    if (awayMinutes == 0) {
        QCOMPARE(planWords(plan), words);
        return;
    }
    // Away moves each edge of the program's one span by up to its minutes, and somewhere.
    QCOMPARE(plan.on.size(), 1);
    const DayPlan::Span program{6 * 3600, 22 * 3600};
    QVERIFY(plan.on[0] != program);
    QVERIFY(qAbs(plan.on[0].from - program.from) <= awayMinutes * 60 && qAbs(plan.on[0].to - program.to) <= awayMinutes * 60);
}

QTEST_GUILESS_MAIN(TstDayPlan)
#include "tst_day_plan.moc"
