// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller/board_clock.h"

bool boardSaysTimeNotSet(QByteArrayView line)
{
    return line.contains("time not set") || line.contains("(not set)");
}

std::chrono::milliseconds untilNextMinute(QTime now)
{
    const int intoMinute = now.second() * 1000 + now.msec();
    return std::chrono::milliseconds(60000 - intoMinute);
}
