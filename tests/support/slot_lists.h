// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QList>

// Tables compared as lists of slot numbers, so a failure names the slots.

// The slots first..last of the day that hold exactly the value.
inline QList<int> slotsHolding(const DayTable &day, qint16 value, int first = 0,
                               int last = DayTable::size - 1)
{
    QList<int> out;
    for (int i = first; i <= last; ++i)
        if (day.at(i) == value)
            out << i;
    return out;
}

// from, from + 1, ..., to.
inline QList<int> run(int from, int to)
{
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}
