// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

// What the program's windows share: the day being edited and the serial port
// number the controller window opens. The application owns the one instance
// and hands it to each window when it creates it.
struct Workspace
{
    DayTable day;
    // Reset to 10 whenever the main window becomes active again; changed by
    // the port prompt.
    qint16 comPort = 10;
};
