// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"
#include "schedule/week_settings.h"

#include <array>

// A program for every day of the week: seven days, Monday to Sunday, each
// addressed by its ISO weekday (1 = Monday ... 7 = Sunday). A plain value:
// copy it, compare it, keep one per board.
class Week
{
public:
    static constexpr int days = 7;

    // Both throw std::out_of_range for a weekday outside 1..7.
    DayTable &day(int isoWeekday);
    const DayTable &day(int isoWeekday) const;

    // Whether every day holds Monday's slots 0..96 (the slots a schedule file
    // stores): then one day file says it all. Slots 97..100 are not compared.
    bool allSame() const;

    // Every day becomes a copy of program, all its entries.
    void setEveryDay(const DayTable &program);

    bool operator==(const Week &) const = default;

    // Place, dark and away: kept with the week, in its file and on the board.
    WeekSettings settings;

private:
    static std::size_t indexOf(int isoWeekday);

    std::array<DayTable, days> table{};
};
