// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/board.h"

#include <QString>

// The words about the board that its callers show: the controller window's
// sentences (translated), and daywheel-ctl's failure lines (as scripts read
// them, never translated).

// The window's.
QString tooLongNotice(bool greeting);
QString linkFailedNotice(const QString &portWords);
QString settlingNotice();
QString queueFullNotice();
QString clockOffNotice(double offset, bool changesMissing);
QString timeNotSetNotice(const QString &hhmm);
// Why an operation's answer did not come; empty when it came.
QString failureNotice(const Board::Answer &answer);

// daywheel-ctl's: what went wrong with an answer that is not ok(), on one line.
QString failureLine(const Board::Answer &answer);
// Which halves the board did not keep: "part a", "part b", "parts a and b".
QString notStoredWords(bool aStored, bool bStored);
