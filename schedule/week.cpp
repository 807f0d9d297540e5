// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/week.h"

#include <stdexcept>

std::size_t Week::indexOf(int isoWeekday)
{
    if (isoWeekday < 1 || isoWeekday > days)
        throw std::out_of_range("ISO weekday outside 1..7");
    return std::size_t(isoWeekday - 1);
}

DayTable &Week::day(int isoWeekday)
{
    return table[indexOf(isoWeekday)];
}

const DayTable &Week::day(int isoWeekday) const
{
    return table[indexOf(isoWeekday)];
}

bool Week::allSame() const
{
    for (const DayTable &other : table) {
        for (int i = 0; i < DayTable::storedSlots; ++i) {
            if (other.at(i) != table[0].at(i))
                return false;
        }
    }
    return true;
}

void Week::setEveryDay(const DayTable &program)
{
    table.fill(program);
}
