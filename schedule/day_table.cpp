// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_table.h"

qint16 DayTable::at(int index) const
{
    return entries.at(std::size_t(index));
}

void DayTable::set(int index, qint16 value)
{
    entries.at(std::size_t(index)) = value;
    if (index == 0)
        entries[lastSlot] = value;
    else if (index == lastSlot)
        entries[0] = value;
}

void DayTable::reset()
{
    entries.fill(0);
}
