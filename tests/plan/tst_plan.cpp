// SPDX-License-Identifier: GPL-3.0-or-later
#include "plan/dw_plan.h"

#include <QDate>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <cstdlib>

namespace {
// events: sunset's, then civil twilight's: what the day holds, rise, set.
const struct Reference { const char *place; int lat, lon; const char *date; int day, offset, events[2][3]; } references[] = {
#include "sun_reference.h"
};

const int open = DW_PLAN_NO_DATE, none = 9999;   // none: no place, no offset known
const char *const evening = "05:30-08:00 16:00-23:00", *const plain = "05:30:00-08:00:00 16:00:00-23:00:00";

uint16_t dayOf(const char *date) { return date ? QDate(2000, 1, 1).daysTo(QDate::fromString(date, Qt::ISODate)) : open; }
QString hms(int32_t s) { return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60); }

// "05:30-08:00 16:00-23:00" as the plan's pattern of quarter hours.
QByteArray pattern(const QString &program)
{
    QByteArray bits(DW_PLAN_PATTERN_BYTES, 0);
    for (const QString &span : program.split(' ')) {
        const auto quarter = [&](int at) { return span.mid(at, 2).toInt() * 4 + span.mid(at + 3, 2).toInt() / 15; };
        for (int q = quarter(0); q < quarter(6); ++q)
            bits[q / 8] = char(bits[q / 8] | 1 << q % 8);
    }
    return bits;
}

// Whether the light is on at 00:00 (0, else -1), then the seconds it changes
// at, walked with dw_plan_next_change; empty when that disagrees, from any
// second of the day, with dw_plan_light.
QList<int32_t> changes(const dw_plan &plan)
{
    uint32_t next = DW_PLAN_DAY_SECONDS;   // the first change after s, walking back
    for (uint32_t s = DW_PLAN_DAY_SECONDS; s-- > 0;) {
        if (dw_plan_next_change(&plan, s) != next) {
            qWarning("next change from %s: %u, not %u", qPrintable(hms(s)), dw_plan_next_change(&plan, s), next);
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

// Rows of the day's plan: dusk and dawn in "on" stand for the sun's times with the row's offsets.
const struct PlanRow { const char *name, *program, *date; dw_dark dark; int lat, lon, offset; const char *on; int ignored; } planRows[] = {
    {"plain", evening, "2026-12-09", {DW_DARK_OFF, 0, 0}, 5252, 1340, 60, plain, DW_PLAN_DARK_USED},
    {"dark: the night break", evening, "2026-03-20", {DW_DARK_SUN, 0, 0}, 5252, 1340, 60, "05:30:00-dawn dusk-23:00:00", 0},
    {"dark, offsets", evening, "2026-03-20", {DW_DARK_SUN, 45, 30}, 5252, 1340, 60, "05:30:00-dawn dusk-23:00:00", 0},
    {"dark in winter: the program", evening, "2026-12-09", {DW_DARK_SUN, 0, 0}, 5252, 1340, 60, plain, 0},
    {"civil, all day", "00:00-24:00", "2026-06-21", {DW_DARK_TWILIGHT, -120, 120}, 5252, 1340, 120, "00:00:00-dawn dusk-24:00:00", 0},
    {"offsets beyond the limits", "00:00-24:00", "2026-06-21", {DW_DARK_SUN, -128, 127}, 5252, 1340, 120, "00:00:00-dawn dusk-24:00:00", 0},
    {"offsets close the day", "00:00-24:00", "2027-01-19", {DW_DARK_SUN, -120, 120}, 6965, 1896, 60, "00:00:00-24:00:00", 0},
    {"south", evening, "2026-12-21", {DW_DARK_SUN, 0, 0}, -3387, 15121, 660, "05:30:00-dawn dusk-23:00:00", 0},
    {"polar night", evening, "2026-12-21", {DW_DARK_SUN, 0, 0}, 7822, 1565, 60, plain, 0},
    {"polar day", evening, "2026-06-21", {DW_DARK_SUN, 0, 0}, 7822, 1565, 120, "", 0},
    {"no place", evening, "2026-12-09", {DW_DARK_SUN, 0, 0}, none, none, 60, plain, DW_PLAN_NO_PLACE},
    {"no date", evening, nullptr, {DW_DARK_SUN, 0, 0}, 5252, 1340, 60, plain, DW_PLAN_NO_DATE_KNOWN},
    {"assumed day past 2099", evening, "2100-01-01", {DW_DARK_SUN, 0, 0}, 5252, 1340, 60, plain, DW_PLAN_NO_DATE_KNOWN},
    {"no offset", evening, "2026-12-09", {DW_DARK_TWILIGHT, 0, 0}, 5252, 1340, none, plain, DW_PLAN_NO_DATE_KNOWN},
    {"quarter hours at both ends", "00:00-00:15 12:00-12:15 23:45-24:00", "2026-12-09", {DW_DARK_OFF, 0, 0}, 5252, 1340, 60,
     "00:00:00-00:15:00 12:00:00-12:15:00 23:45:00-24:00:00", 0},
};

// Away over seven days in a row from day; moving: bit i set when day + i moves.
const int winter = dayOf("2026-12-20");
const struct AwayRow { const char *name, *program; int minutes, day, first, last, moving; } awayRows[] = {
    {"30 minutes", evening, 30, winter, open, open, 0x7F},
    {"1 minute", evening, 1, winter, open, open, 0x7F},
    {"60 minutes, long gaps", "06:00-08:00 18:00-22:00", 60, winter, open, open, 0x7F},
    {"60 minutes, quarter hours", "00:00-00:15 00:30-00:45 12:00-12:15 23:30-23:45", 60, winter, open, open, 0x7F},
    {"dated, starts within", evening, 30, winter, winter + 3, open, 0x78},
    {"dated, ends within", evening, 30, winter, open, winter + 2, 0x07},
    {"assumed days, open", evening, 20, 36525, open, open, 0x7F},
    {"assumed days, dated", evening, 20, 36525, winter, open, 0},
};

template <typename Row, size_t n> void rows(const Row (&table)[n])
{
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < n; ++i)
        QTest::newRow(table[i].name) << int(i);
}
} // namespace

class TstPlan : public QObject
{
    Q_OBJECT
private slots:
    void sun_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(references)); ++i)
            QTest::addRow("%s %s", references[i].place, references[i].date) << i;
    }
    // Against python3-ephem, both twilights: 60 s to 65 degrees of latitude, 2 minutes to 70, beyond that 10.
    void sun()
    {
        QFETCH(int, row);
        const Reference &r = references[row];
        const int tolerance = std::abs(r.lat) <= 6500 ? 60 : std::abs(r.lat) <= 7000 ? 120 : 600;
        for (const int *want : r.events) {
            int32_t rise = -1, set = -1;
            QCOMPARE(dw_sun_times(uint16_t(r.day), {int16_t(r.lat), int16_t(r.lon)}, int16_t(r.offset),
                                  uint8_t(want != r.events[0]), &rise, &set), want[0]);
            QVERIFY2(want[0] != DW_SUN_RISES_AND_SETS
                         || (std::abs(rise - want[1]) <= tolerance && std::abs(set - want[2]) <= tolerance),
                     qPrintable(hms(rise) + ' ' + hms(set)));
        }
    }

    void plan_data() { rows(planRows); }
    void plan()
    {
        QFETCH(int, row);
        const PlanRow &r = planRows[row];
        const dw_place place{int16_t(r.lat), int16_t(r.lon)};
        int32_t rise = 0, set = 0;
        dw_sun_times(dayOf(r.date), place, int16_t(r.offset), r.dark.mode == DW_DARK_TWILIGHT, &rise, &set);
        const QByteArray bits = pattern(r.program);
        dw_plan plan;
        dw_plan_make(&plan, reinterpret_cast<const uint8_t *>(bits.data()), dayOf(r.date), &r.dark,
                     r.lat == none ? nullptr : &place, int16_t(r.offset), r.offset != none, nullptr);
        QCOMPARE(int(plan.dark_ignored), r.ignored);
        const QList<int32_t> at = changes(plan);
        QStringList on;
        for (qsizetype i = at.value(0) < 0 ? 1 : 0; i < at.size(); i += 2)
            on << hms(at[i]) + '-' + hms(at.value(i + 1, DW_PLAN_DAY_SECONDS));
        QCOMPARE(on.join(' '), QString(r.on).replace("dawn", hms(rise + std::clamp<int>(r.dark.dawn, -120, 120) * 60))
                                   .replace("dusk", hms(set + std::clamp<int>(r.dark.dusk, -120, 120) * 60)));
    }

    void away_data() { rows(awayRows); }
    // Every edge within its limits, on the days away is in force only, none the same on two of the
    // seven days, the periods kept (plain has edges in every row); the same day alike again.
    void away()
    {
        QFETCH(int, row);
        const AwayRow &r = awayRows[row];
        const QByteArray bits = pattern(r.program);
        const auto make = [&](int d, int minutes) {
            const dw_away away{uint8_t(minutes), uint16_t(r.first), uint16_t(r.last)};
            dw_plan plan;
            dw_plan_make(&plan, reinterpret_cast<const uint8_t *>(bits.data()), uint16_t(d), nullptr, nullptr, 0, 0, &away);
            return changes(plan);
        };
        const QList<int32_t> plain = make(r.day, 0);
        QList<QSet<int32_t>> moves(plain.size());
        for (int d = r.day; d < r.day + 7; ++d) {
            const QList<int32_t> moved = make(d, r.minutes);
            QCOMPARE(moved.size(), plain.size());
            for (qsizetype i = 1; i < plain.size(); ++i) {   // [0]: whether on at 00:00, no edge
                const int32_t by = moved[i] - plain[i], to = std::min(plain[i] - std::max(plain[i - 1], 0),
                                                                      plain.value(i + 1, DW_PLAN_DAY_SECONDS) - plain[i]);
                QVERIFY2(r.moving >> (d - r.day) & 1 ? std::abs(by) <= r.minutes * 60 && 2 * std::abs(by) < to : by == 0,
                         qPrintable(QString("day %1 edge %2 moved %3").arg(d).arg(hms(plain[i])).arg(by)));
                moves[i].insert(by);
            }
            if (d == r.day + 3)
                QCOMPARE(make(d, r.minutes), moved);
        }
        for (qsizetype i = 1; r.moving == 0x7F && i < plain.size(); ++i)
            QCOMPARE(moves[i].size(), 7);
    }
};

QTEST_APPLESS_MAIN(TstPlan)
#include "tst_plan.moc"
