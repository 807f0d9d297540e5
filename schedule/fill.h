// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <optional>

enum class FillMode {
    Preset,   // from and to are boundaries: slots from+1 .. to; from == to writes nothing
    Pointer,  // from and to are slots: slots from .. to; from == to forces slot from
};

// Paints the day on (or off) forward from `from` to `to`, through 96 and 0
// when `to` lies before `from`, and returns the slots it went through
// (nothing when it wrote none). Painting on turns only an exact 0 into 1,
// painting off only an exact 1 into 0, so values loaded from a file (2, -1,
// ...) survive range fills.
std::optional<SlotRun> paintSlots(DayTable &day, SlotIndex from, SlotIndex to, bool on, FillMode mode);

// Clear All: slots 0..96 to 0 whatever they held.
SlotRun clearAll(DayTable &day);
