// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/fill.h"

namespace {
void paintSlot(DayTable &day, SlotIndex slot, bool on)
{
    if (on) {
        if (day.at(slot) == 0)
            day.set(slot, 1);
    } else if (day.at(slot) == 1) {
        day.set(slot, 0);
    }
}
}

std::optional<SlotRun> paintSlots(DayTable &day, SlotIndex from, SlotIndex to, bool on, FillMode mode)
{
    if (from == to) {
        if (mode == FillMode::Preset)
            return std::nullopt;
        day.set(from, on ? 1 : 0);
        return SlotRun{from, from};
    }
    // Slot by slot in the day's order: writing 0 or 96 writes both, and each
    // later slot sees what the earlier ones wrote.
    const SlotIndex first = mode == FillMode::Preset ? SlotIndex(from + 1) : from;
    for (SlotIndex i = first; i <= (from < to ? to : DayTable::lastSlot); ++i)
        paintSlot(day, i, on);
    if (from > to) {
        for (SlotIndex i = 0; i <= to; ++i)
            paintSlot(day, i, on);
    }
    return SlotRun{first, to};
}

SlotRun clearAll(DayTable &day)
{
    for (SlotIndex i = 0; i <= DayTable::lastSlot; ++i)
        day.set(i, 0);
    return {0, DayTable::lastSlot};
}
