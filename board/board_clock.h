// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QTime>
#include <QString>
#include <chrono>

// Whether a line from the board says its clock has not been set since a
// power cut: the greeting "..., time not set" or a status "... (not set) ...".
bool boardSaysTimeNotSet(QByteArrayView line);

// How long from `now` until the next minute begins, so that a "t" line,
// which sets the seconds to 0, is right to the second. Never 0.
std::chrono::milliseconds untilNextMinute(QTime now);

// Seconds after midnight as "hh:mm:ss"; past a day the hours go on.
QString clockText(qint64 seconds);
