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
// An offset as people read it: "27.637 s", "3 min 5.000 s", "8 h 50 min 27.637 s".
QString offsetText(double seconds);
QString clockOffNotice(double offset, bool changesMissing);
// A set of the clock going out: the time it carries.
QString sentTimeNotice(const QDateTime &at, bool toTheMs);
// A day sent, and how many of its quarter hours went as off for a value
// other than 0 or 1.
QString sentDayNotice(int sentAsOff, bool week = false);
// The days differ and the board keeps one day only: nothing was sent.
QString oneDayOnlyNotice();
QString settingsLeftOutNotice();
QString givenPlaceNotice(const Place &place);
QString timeNotSetNotice(const QString &hhmm);
// What the board said unasked: a greeting (it started again), a refusal.
QString restartedNotice(const QString &greeting);
QString refusedNotice();
// Why an operation's answer did not come; empty when it came.
QString failureNotice(const Board::Answer &answer);

// daywheel-ctl's: what went wrong with an answer that is not ok(), on one line.
QString failureLine(const Board::Answer &answer);
// Which halves were not kept, from whether each line sent was: the day's
// two ("part a") or the week's fourteen ("Tue part a, Sun part b").
QString notStoredWords(const QList<bool> &stored);
QString sentAsOffLine(int sentAsOff);
