#pragma once

#include "schedule/day_table.h"

enum class FillMode {
    Preset,   // f and t are boundaries: slots f+1 .. t; f == t writes nothing
    Pointer,  // f and t are slots: slots f .. t; f == t forces slot f
};

// Painting on turns only an exact 0 into 1, painting off only an exact 1 into
// 0, so values loaded from a file (2, -1, ...) survive range fills.
void paintSlot(DayTable &table, SlotIndex i, qint16 v);

// Fills forward through the day from f to t, through 96 and 0 when t lies
// before f. slotCursor is the loop index and is left one past the last slot
// visited (or at f for a single forced slot).
void fillRange(DayTable &table, SlotIndex f, SlotIndex t, qint16 v, FillMode mode,
               SlotIndex &slotCursor);

// Clear All: slots 0..96 to 0 whatever they held; leaves slotCursor at 97.
void clearAll(DayTable &table, SlotIndex &slotCursor);
