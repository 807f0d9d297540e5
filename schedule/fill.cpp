// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/fill.h"

namespace {
void paintSlot(DayTable &table, SlotIndex i, qint16 v)
{
    if (v == 1) {
        if (table.at(i) == 0)
            table.set(i, 1);
    } else if (table.at(i) == 1) {
        table.set(i, 0);
    }
}
}

std::optional<SlotRun> fillRange(DayTable &table, SlotIndex f, SlotIndex t, qint16 v, FillMode mode)
{
    if (f == t) {
        if (mode == FillMode::Preset)
            return std::nullopt;
        table.set(f, v == 1 ? 1 : 0);
        return SlotRun{f, f};
    }
    // Slot by slot in the day's order: writing 0 or 96 writes both, and each
    // later slot sees what the earlier ones wrote.
    const SlotIndex first = mode == FillMode::Preset ? SlotIndex(f + 1) : f;
    for (SlotIndex i = first; i <= (f < t ? t : DayTable::lastSlot); ++i)
        paintSlot(table, i, v);
    if (f > t) {
        for (SlotIndex i = 0; i <= t; ++i)
            paintSlot(table, i, v);
    }
    return SlotRun{first, t};
}

SlotRun clearAll(DayTable &table)
{
    for (SlotIndex i = 0; i <= DayTable::lastSlot; ++i)
        table.set(i, 0);
    return {0, DayTable::lastSlot};
}
