// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/dw_plan.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <cstdlib>

namespace {
struct Reference {
    const char *place;
    int lat, lon;
    const char *date;
    int day, offset;
    int events[2][3];   // sunset, civil: what the day holds, rise, set
};
const Reference references[] = {
#include "sun_reference.h"
};
const uint16_t open = DW_PLAN_NO_DATE;

uint16_t dayOf(QDate d) { return d.isValid() ? uint16_t(QDate(2000, 1, 1).daysTo(d)) : open; }
QString hms(int32_t s) { return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60); }

// "05:30-08:00 16:00-23:00" as the plan's pattern of quarter hours.
QByteArray pattern(const QString &program)
{
    QByteArray bits(DW_PLAN_PATTERN_BYTES, 0);
    for (const QString &span : program.split(' ', Qt::SkipEmptyParts)) {
        const auto quarter = [&](int at) { return span.mid(at, 2).toInt() * 4 + span.mid(at + 3, 2).toInt() / 15; };
        for (int q = quarter(0); q < quarter(6); ++q)
            bits[q / 8] = char(bits[q / 8] | 1 << q % 8);
    }
    return bits;
}

// The seconds the light changes at, walked with dw_plan_next_change; empty
// when that disagrees, from any second of the day, with dw_plan_light.
QList<int32_t> changes(const dw_plan &plan)
{
    uint32_t next = DW_PLAN_DAY_SECONDS;
    for (uint32_t s = DW_PLAN_DAY_SECONDS; s-- > 0;) {
        if (dw_plan_next_change(&plan, s) != next) {
            qWarning("next change from %s: %u, light changes at %u", qPrintable(hms(s)),
                     dw_plan_next_change(&plan, s), next);
            return {};
        }
        if (s > 0 && dw_plan_light(&plan, s - 1) != dw_plan_light(&plan, s))
            next = s;
    }
    QList<int32_t> at{dw_plan_light(&plan, 0) ? 0 : -1};
    for (uint32_t s = 0; (s = dw_plan_next_change(&plan, s)) < DW_PLAN_DAY_SECONDS;)
        at << int32_t(s);
    return at;
}

QString spans(const QList<int32_t> &at)
{
    QStringList words;
    for (qsizetype i = at.value(0) < 0 ? 1 : 0; i < at.size(); i += 2)
        words << hms(at[i]) + '-' + hms(at.value(i + 1, DW_PLAN_DAY_SECONDS));
    return words.join(' ');
}
} // namespace

class TstPlan : public QObject
{
    Q_OBJECT
private slots:
    void sun_data();
    void sun();
    void plan_data();
    void plan();
    void away_data();
    void away();
};

void TstPlan::sun_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("twilight");
    for (int i = 0; i < int(std::size(references)); ++i)
        for (int twilight : {DW_TWILIGHT_SUNSET, DW_TWILIGHT_CIVIL})
            QTest::addRow("%s %s %s", references[i].place, references[i].date, twilight ? "civil" : "sunset")
                << i << twilight;
}

// Against python3-ephem: 60 s to 65 degrees of latitude, 2 minutes to 70,
// beyond that what the day holds and times still within 10 minutes.
void TstPlan::sun()
{
    QFETCH(int, row);
    QFETCH(int, twilight);
    const Reference &r = references[row];
    const int *want = r.events[twilight];
    int32_t rise = -1, set = -1;
    QCOMPARE(dw_sun_times(uint16_t(r.day), {int16_t(r.lat), int16_t(r.lon)}, int16_t(r.offset), uint8_t(twilight),
                          &rise, &set), want[0]);
    const int tolerance = std::abs(r.lat) <= 6500 ? 60 : std::abs(r.lat) <= 7000 ? 120 : 600;
    if (want[0] == DW_SUN_RISES_AND_SETS) {
        QVERIFY2(std::abs(rise - want[1]) <= tolerance, qPrintable(hms(rise)));
        QVERIFY2(std::abs(set - want[2]) <= tolerance, qPrintable(hms(set)));
    }
}

void TstPlan::plan_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QList<int>>("dark");   // mode, dusk, dawn
    QTest::addColumn<QList<int>>("place");  // none, or latitude, longitude
    QTest::addColumn<int>("offset");        // minutes east of UTC; 9999: not known
    QTest::addColumn<QString>("on");        // dusk, dawn: the sun's with the row's offsets
    QTest::addColumn<int>("ignored");

    const QString evening = "05:30-08:00 16:00-23:00";
    const QList<int> berlin{5252, 1340}, longyearbyen{7822, 1565}, tromso{6965, 1896}, sunset{DW_DARK_SUN, 0, 0};
    const QDate winter(2026, 12, 9), spring(2026, 3, 20), summer(2026, 6, 21);
    QTest::newRow("plain") << evening << winter << QList<int>{DW_DARK_OFF, 0, 0} << berlin << 60
                           << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("dark: the night break") << evening << spring << sunset << berlin << 60
                                           << "05:30:00-dawn dusk-23:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("dark, offsets") << evening << spring << QList<int>{DW_DARK_SUN, 45, 30} << berlin << 60
                                   << "05:30:00-dawn dusk-23:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("civil, all day") << "00:00-24:00" << summer << QList<int>{DW_DARK_TWILIGHT, -120, 120}
                                    << berlin << 120 << "00:00:00-dawn dusk-24:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("offsets beyond the limits") << "00:00-24:00" << summer << QList<int>{DW_DARK_SUN, -128, 127}
                                               << berlin << 120 << "00:00:00-dawn dusk-24:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("offsets close the day") << "00:00-24:00" << QDate(2027, 1, 19) << QList<int>{DW_DARK_SUN, -120, 120}
                                           << tromso << 60 << "00:00:00-24:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("polar night") << evening << QDate(2026, 12, 21) << sunset << longyearbyen << 60
                                 << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_DARK_USED;
    QTest::newRow("polar day") << evening << summer << sunset << longyearbyen << 120 << "" << +DW_PLAN_DARK_USED;
    QTest::newRow("no place") << evening << winter << sunset << QList<int>{} << 60
                              << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_NO_PLACE;
    QTest::newRow("no date") << evening << QDate() << sunset << berlin << 60
                             << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_NO_DATE_KNOWN;
    QTest::newRow("assumed day past 2099") << evening << QDate(2100, 1, 1) << sunset << berlin << 60
                                           << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_NO_DATE_KNOWN;
    QTest::newRow("no offset") << evening << winter << sunset << berlin << 9999
                               << "05:30:00-08:00:00 16:00:00-23:00:00" << +DW_PLAN_NO_DATE_KNOWN;
    QTest::newRow("quarter hours at both ends") << "00:00-00:15 12:00-12:15 23:45-24:00" << winter
        << QList<int>{DW_DARK_OFF, 0, 0} << berlin << 60 << "00:00:00-00:15:00 12:00:00-12:15:00 23:45:00-24:00:00"
        << +DW_PLAN_DARK_USED;
}

void TstPlan::plan()
{
    QFETCH(QString, program);
    QFETCH(QDate, date);
    QFETCH(QList<int>, dark);
    QFETCH(QList<int>, place);
    QFETCH(int, offset);
    QFETCH(QString, on);
    QFETCH(int, ignored);
    const dw_dark setting{uint8_t(dark[0]), int8_t(dark[1]), int8_t(dark[2])};
    const dw_place where{int16_t(place.value(0)), int16_t(place.value(1))};
    int32_t rise = 0, set = 0;
    dw_sun_times(dayOf(date), where, int16_t(offset), dark[0] == DW_DARK_TWILIGHT, &rise, &set);
    on.replace("dawn", hms(rise + int(std::clamp(dark[2], -120, 120)) * 60));
    on.replace("dusk", hms(set + int(std::clamp(dark[1], -120, 120)) * 60));
    dw_plan plan;
    const QByteArray bits = pattern(program);
    dw_plan_make(&plan, reinterpret_cast<const uint8_t *>(bits.data()), dayOf(date), &setting,
                 place.isEmpty() ? nullptr : &where, int16_t(offset), offset != 9999, nullptr);
    QCOMPARE(int(plan.dark_ignored), ignored);
    QCOMPARE(spans(changes(plan)), on);
}

void TstPlan::away_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("day");   // the first of seven in a row
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    const QString evening = "05:30-08:00 16:00-23:00";
    const int winter = dayOf(QDate(2026, 12, 20));
    QTest::newRow("30 minutes") << evening << 30 << winter << +open << +open;
    QTest::newRow("1 minute") << evening << 1 << winter << +open << +open;
    QTest::newRow("60 minutes, long gaps") << "06:00-08:00 18:00-22:00" << 60 << winter << +open << +open;
    QTest::newRow("60 minutes, quarter hours") << "00:00-00:15 00:30-00:45 12:00-12:15 23:30-23:45" << 60
                                               << winter << +open << +open;
    QTest::newRow("dated, starts within") << evening << 30 << winter << winter + 3 << +open;
    QTest::newRow("dated, ends within") << evening << 30 << winter << +open << winter + 2;
    QTest::newRow("assumed days, open") << evening << 20 << 36525 << +open << +open;
    QTest::newRow("assumed days, dated") << evening << 20 << 36525 << winter << +open;
}

// Seven days in a row: every edge within its limits, none the same twice,
// the periods kept; none moved outside the dates; the same day alike again.
void TstPlan::away()
{
    QFETCH(QString, program);
    QFETCH(int, minutes);
    QFETCH(int, day);
    QFETCH(int, first);
    QFETCH(int, last);
    const QByteArray bits = pattern(program);
    const auto make = [&](int d, int m) {
        const dw_away away{uint8_t(m), uint16_t(first), uint16_t(last)};
        dw_plan plan;
        dw_plan_make(&plan, reinterpret_cast<const uint8_t *>(bits.data()), uint16_t(d), nullptr, nullptr, 0, 0, &away);
        return changes(plan);
    };
    const QList<int32_t> plain = make(day, 0);
    QVERIFY(plain.size() > 2);
    QList<QSet<int32_t>> moves(plain.size());
    for (int d = day; d < day + 7; ++d) {
        const QList<int32_t> moved = make(d, minutes);
        QCOMPARE(moved.size(), plain.size());
        const bool inForce = d <= 36524 ? (first == open || first <= d) && (last == open || d <= last)
                                        : first == open && last == open;
        for (qsizetype i = 1; i < plain.size(); ++i) {   // [0]: whether on at 00:00, not an edge
            const int32_t by = moved[i] - plain[i], to = std::min(plain[i] - std::max(plain[i - 1], 0),
                                                                  plain.value(i + 1, DW_PLAN_DAY_SECONDS) - plain[i]);
            QVERIFY2(inForce ? std::abs(by) <= minutes * 60 && 2 * std::abs(by) < to : by == 0,
                     qPrintable(QString("day %1 edge %2 moved %3").arg(d).arg(hms(plain[i])).arg(by)));
            moves[i].insert(by);
        }
        if (d == day + 3)
            QCOMPARE(make(d, minutes), moved);
    }
    const bool allDays = first == open && last == open;
    for (qsizetype i = 1; allDays && i < plain.size(); ++i)
        QCOMPARE(moves[i].size(), 7);
}

QTEST_APPLESS_MAIN(TstPlan)
#include "tst_plan.moc"
