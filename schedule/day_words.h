// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QString>

// The day as a screen reader says it, quarter hours as the dial draws them
// (23:45-24:00 from entry 0; on only where an entry is exactly 1):
// "on 06:00-08:00, 18:30-22:00", a run through midnight as "22:00-02:00",
// "on all day" or "off all day".
QString dayInWords(const DayTable &day);
