// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QTime>
#include <QString>
#include <chrono>

// Whether a line from the board says its clock has not been set since a
// power cut: the greeting DW_GREETING_NOT_SET or a status holding
// DW_STATUS_NOT_SET.
bool boardSaysTimeNotSet(QByteArrayView line);

// How long from `now` until 20 ms into the next minute, when a
// DW_CMD_SET_TIME line, which sets the seconds to 0, is right to the second.
// The 20 ms keep a timer that fires a tick early from reading the minute
// before off the wall clock. Never 0.
std::chrono::milliseconds untilNextMinute(QTime now);

// Seconds after midnight as "hh:mm:ss"; past a day the hours go on.
QString timeOfDayText(qint64 seconds);
