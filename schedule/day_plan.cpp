// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_plan.h"

#include "plan/dw_plan.h"
#include "schedule/number_format.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
const QDate planEpoch(2000, 1, 1);
constexpr qint64 planLastDay = 36524;   // 2099-12-31: the board's calendar ends there

// The board's day number; beyond its calendar the date is unknown to it.
uint16_t planDay(QDate date)
{
    const qint64 day = planEpoch.daysTo(date);
    return day >= 0 && day <= planLastDay ? uint16_t(day) : uint16_t(DW_PLAN_NO_DATE);
}

// An away date as the board keeps it; outside its calendar, as far as it
// reaches (before 2000: from its first day; after 2099: past its last).
uint16_t awayDay(const std::optional<QDate> &date)
{
    return date ? uint16_t(qBound(qint64(0), planEpoch.daysTo(*date), planLastDay + 1))
                : uint16_t(DW_PLAN_NO_DATE);
}

// A second of the day as the board's clock shows the minute it falls in:
// a change at 16:27:40 happens in minute 16:27.
QString planMinute(int second)
{
    return formatTwoDigits(second / 3600) + u':' + formatTwoDigits(second / 60 % 60);
}
}

DayPlan planOfDay(const Week &week, QDate date, int utcOffsetMinutes)
{
    DayPlan result;
    if (!date.isValid())
        return result;

    // The plan's bit q is the quarter hour from q x 15 minutes, which is
    // slot q + 1 (the last, 23:45-24:00, is slot 0 as on the wire), on only
    // where DayTable::isOn says so, as the board is sent it.
    const DayTable &program = week.day(date.dayOfWeek());
    uint8_t pattern[DW_PLAN_PATTERN_BYTES] = {};
    for (int q = 0; q < DayTable::lastSlot; ++q) {
        if (program.isOn((q + 1) % DayTable::lastSlot))
            pattern[q / 8] |= uint8_t(1U << (q % 8));
    }

    const WeekSettings &settings = week.settings;
    dw_dark dark{DW_DARK_OFF, 0, 0};
    if (const std::optional<DarkSetting> &asked = settings.dark[std::size_t(date.dayOfWeek() - 1)]) {
        dark.mode = asked->twilight == DarkSetting::Twilight::Civil ? DW_DARK_TWILIGHT : DW_DARK_SUN;
        dark.dusk = int8_t(qBound(-DarkSetting::maxShift, asked->duskMinutes, DarkSetting::maxShift));
        dark.dawn = int8_t(qBound(-DarkSetting::maxShift, asked->dawnMinutes, DarkSetting::maxShift));
    }
    dw_place place{};
    if (settings.place)
        place = dw_place{int16_t(qBound(-9000, settings.place->latitude, 9000)),
                         int16_t(qBound(-18000, settings.place->longitude, 18000))};
    dw_away away{0, DW_PLAN_NO_DATE, DW_PLAN_NO_DATE};
    if (settings.away)
        away = dw_away{uint8_t(qBound(0, settings.away->minutes, AwaySetting::maxMinutes)),
                       awayDay(settings.away->first), awayDay(settings.away->last)};

    dw_plan plan;
    dw_plan_make(&plan, pattern, planDay(date), &dark, settings.place ? &place : nullptr,
                 int16_t(qBound(-24 * 60, utcOffsetMinutes, 24 * 60)), 1, &away);

    bool on = dw_plan_light(&plan, 0);
    for (uint32_t from = 0; from < uint32_t(DW_PLAN_DAY_SECONDS); on = !on) {
        const uint32_t to = qMax(from + 1, dw_plan_next_change(&plan, from));
        if (on)
            result.on.append({int(from), int(to)});
        from = to;
    }
    // A date beyond the board's calendar has no sun: then the dark counts
    // as not asked, as the board would do nothing with it.
    if (plan.dark)
        result.dark = DayPlan::Dark::Used;
    else if (plan.dark_ignored == DW_PLAN_NO_PLACE)
        result.dark = DayPlan::Dark::NoPlace;
    result.lightFrom = int(plan.light_from);
    result.darkFrom = int(plan.dark_from);
    result.away = plan.away != 0;
    return result;
}

QString planWords(const DayPlan &plan)
{
    // The day's words (day_words.cpp) and their translations.
    if (plan.on.isEmpty())
        return QCoreApplication::translate("DayWords", "off all day");
    if (plan.on.size() == 1 && plan.on[0] == DayPlan::Span{0, int(DW_PLAN_DAY_SECONDS)})
        return QCoreApplication::translate("DayWords", "on all day");
    QStringList spans;
    for (const DayPlan::Span &span : plan.on)
        spans << planMinute(span.from) + u'-' + planMinute(span.to);
    return QCoreApplication::translate("DayWords", "on %1").arg(spans.join(QStringLiteral(", ")));
}
