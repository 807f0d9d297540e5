// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <optional>

enum class FillMode {
    Preset,   // f and t are boundaries: slots f+1 .. t; f == t writes nothing
    Pointer,  // f and t are slots: slots f .. t; f == t forces slot f
};

// Fills forward through the day from f to t, through 96 and 0 when t lies
// before f, and returns the slots it went through (nothing when it wrote
// none). Painting on turns only an exact 0 into 1, painting off only an exact
// 1 into 0, so values loaded from a file (2, -1, ...) survive range fills.
std::optional<SlotRun> fillRange(DayTable &table, SlotIndex f, SlotIndex t, qint16 v, FillMode mode);

// Clear All: slots 0..96 to 0 whatever they held.
SlotRun clearAll(DayTable &table);
