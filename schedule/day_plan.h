// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// What the board will do on a date with a week and its settings, worked
// out by the board's own code (plan/dw_plan.h) so the window says what the
// board does, to the second.
struct DayPlan
{
    struct Span
    {
        int from = 0;   // seconds after midnight, from..to, to excluded
        int to = 0;
        bool operator==(const Span &) const = default;
    };
    enum class Dark { NotAsked, Used, NoPlace };

    QList<Span> on;                 // in order through the day
    Dark dark = Dark::NotAsked;
    // Where the dark limits the day (Dark::Used): dark before lightFrom and
    // from darkFrom on, in seconds after midnight (may lie outside the day:
    // the sun never rises, never sets).
    int lightFrom = 0;
    int darkFrom = 0;
    bool away = false;              // away moves this day's edges
};

// The plan of date's weekday at the week's place for a clock utcOffset
// minutes east of UTC that day (an invalid date: off all day). A date
// outside the board's calendar (2000..2099) has no sun: its dark counts as
// not asked.
DayPlan planOfDay(const Week &week, QDate date, int utcOffsetMinutes);

// "on 16:27-23:00, 05:30-07:48"-like words for the plan, in order through
// the day ("off all day" when none, "on all day"), times to the minute:
// each the minute the change falls in, as the board's clock shows it (a
// change at 15:52:41 says 15:52).
QString planWords(const DayPlan &plan);
