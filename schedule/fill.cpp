#include "schedule/fill.h"

void paintSlot(DayTable &table, SlotIndex i, qint16 v)
{
    if (v == 1) {
        if (table.at(i) == 0)
            table.set(i, 1);
    } else if (table.at(i) == 1) {
        table.set(i, 0);
    }
}

void fillRange(DayTable &table, SlotIndex f, SlotIndex t, qint16 v, FillMode mode,
               SlotIndex &slotCursor)
{
    const SlotIndex first = mode == FillMode::Preset ? SlotIndex(f + 1) : f;
    if (f < t) {
        for (slotCursor = first; slotCursor <= t; ++slotCursor)
            paintSlot(table, slotCursor, v);
    } else if (f > t) {
        for (slotCursor = first; slotCursor <= DayTable::lastSlot; ++slotCursor)
            paintSlot(table, slotCursor, v);
        for (slotCursor = 0; slotCursor <= t; ++slotCursor)
            paintSlot(table, slotCursor, v);
    } else if (mode == FillMode::Pointer) {
        slotCursor = f;
        table.set(f, v == 1 ? 1 : 0);
    }
}

void clearAll(DayTable &table, SlotIndex &slotCursor)
{
    for (slotCursor = 0; slotCursor <= DayTable::lastSlot; ++slotCursor)
        table.set(slotCursor, 0);
}
