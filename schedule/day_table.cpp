#include "schedule/day_table.h"

#include <stdexcept>
#include <string>

void DayTable::check(int index)
{
    if (index < 0 || index >= size)
        throw std::out_of_range("day table index " + std::to_string(index));
}

qint16 DayTable::at(int index) const
{
    check(index);
    return entries[std::size_t(index)];
}

void DayTable::set(int index, qint16 value)
{
    check(index);
    entries[std::size_t(index)] = value;
    if (index == 0)
        entries[lastSlot] = value;
    else if (index == lastSlot)
        entries[0] = value;
}

void DayTable::reset()
{
    entries.fill(0);
}
