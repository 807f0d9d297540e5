// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <array>

// Seven days' programs, Monday (1) to Sunday (7), as ISO numbers them.
class Week
{
public:
    static constexpr int days = 7;
    DayTable &day(int isoWeekday) { return table.at(std::size_t(isoWeekday - 1)); }
    const DayTable &day(int isoWeekday) const { return table.at(std::size_t(isoWeekday - 1)); }
    bool allSame() const
    {
        for (const DayTable &d : table)
            if (!(d == table[0]))
                return false;
        return true;
    }
    void setEveryDay(const DayTable &d) { table.fill(d); }
    bool operator==(const Week &) const = default;

private:
    std::array<DayTable, days> table{};
};
