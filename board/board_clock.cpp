// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board_clock.h"

#include "protocol/daywheel_protocol.h"

#include "schedule/number_format.h"


bool boardSaysTimeNotSet(QByteArrayView line)
{
    return line.contains(DW_NOT_SET_WORDS) || line.contains(DW_STATUS_NOT_SET);
}

std::chrono::milliseconds untilNextMinute(QTime now)
{
    const int intoMinute = now.second() * 1000 + now.msec();
    return std::chrono::milliseconds(60000 - intoMinute + 20);
}

QString timeOfDayText(qint64 seconds)
{
    const qint64 magnitude = seconds < 0 ? -seconds : seconds;
    return (seconds < 0 ? QStringLiteral("-") : QString()) + formatTwoDigits(magnitude / 3600) + u':'
        + formatTwoDigits(magnitude % 3600 / 60) + u':' + formatTwoDigits(magnitude % 60);
}
