// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/board_link.h"
#include "board/port_names.h"
#include "schedule/week.h"

// What the program's windows share: the week being edited, the serial port
// number the controller window opens and how long it waits for the board.
// The application owns the one instance and hands it to each window when it
// creates it.
struct Workspace
{
    Week week;
    // Reset to defaultPort whenever the main window becomes active again;
    // changed by the port prompt.
    qint16 comPort = defaultPort;
    // For the greeting after the port opened, and for each reply; read when
    // a controller window is created (tests shorten them).
    BoardLink::Bounds waitBounds;
};
