// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week.h"
#include "schedule_file/file_result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A week on disk. When every day is the same it is saved as the day file
// (schedule_file.h), which every Daywheel reads; otherwise as a week file,
// plain ASCII with CR LF line ends (rules in WeekReader):
//
//   Daywheel week 1
//   Mon 0000...1100   (96 digits: slots 1..96, 00:00-00:15 first)
//   ... Tue to Sun
//   value Mon 25 7    (a value other than 0 and 1; its digit is 0)
//
// A week file's first line is no number, so an older Daywheel refuses it.

// The week file's bytes: the seven days' digits, then a value line for
// every slot that holds neither 0 nor 1, by day and slot. It reads back
// even when all days are the same, but saveWeek then writes a day file.
QByteArray weekFileBytes(const Week &week);

// The exact bytes saveWeek writes: scheduleFileBytes(Monday) when every
// day is the same (Week::allSame), else weekFileBytes.
QByteArray savedWeekBytes(const Week &week);

// Replaces the file at path with savedWeekBytes(week), as saveSchedule
// replaces one: a failed save leaves the old file as it was.
FileResult saveWeek(const QString &path, const Week &week);

// Reads a week file, or a day file as every day of the week, from path,
// with loadSchedule's care: only a regular file (or a link to one), never
// waiting on it, at most 1 MiB. Slots 0..96 of every day are replaced
// only when the whole file was read and found valid; on any failure the
// week is left exactly as it was. Slots 97..100 are never touched.
FileResult loadWeek(const QString &path, Week &week);

// Whether a file beginning with head is meant as a week file (or a newer
// kind of Daywheel file): its first line, after an optional byte-order
// mark and blank lines, begins with the word "Daywheel".
bool isWeekFile(QByteArrayView head);
