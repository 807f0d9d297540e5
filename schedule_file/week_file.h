// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week.h"
#include "schedule_file/file_result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A week on disk. When every day is the same and the week's settings are
// empty it is saved as the day file (schedule_file.h), which every Daywheel
// reads; otherwise as a week file, plain ASCII with CR LF line ends (rules
// in WeekReader):
//
//   Daywheel week 1
//   Mon 0000...1100   (96 digits: slots 1..96, 00:00-00:15 first)
//   ... Tue to Sun
//   value Mon 25 7    (a value other than 0 and 1; its digit is 0)
//   place 52.50 13.37 (latitude, longitude: two decimals, south and west -)
//   dark Mon sunset +0 +0   (sunset or civil; dusk, dawn: minutes, later +)
//   away 30 2026-12-20 2027-01-06   (minutes; first and last day, or none)
//
// The settings (WeekSettings) follow the value lines: place, then dark
// for each weekday that has it, Monday first, then away. A file holds away's
// dates both or neither: an away open on one side only is written without
// its dates. A week file's first line is no number, so an older Daywheel
// refuses it.

// The week file's bytes: the seven days' digits, then a value line for
// every slot that holds neither 0 nor 1, by day and slot, then the
// settings. It reads back even when all days are the same, but saveWeek
// then writes a day file unless there are settings.
QByteArray weekFileBytes(const Week &week);

// The exact bytes saveWeek writes: scheduleFileBytes(Monday) when every
// day is the same (Week::allSame) and the settings are empty, else
// weekFileBytes.
QByteArray savedWeekBytes(const Week &week);

// Replaces the file at path with savedWeekBytes(week), as saveSchedule
// replaces one: a failed save leaves the old file as it was.
FileResult saveWeek(const QString &path, const Week &week);

// Reads a week file, or a day file as every day of the week, from path,
// with loadSchedule's care: only a regular file (or a link to one), never
// waiting on it, at most 1 MiB. Slots 0..96 of every day and the settings
// are replaced only when the whole file was read and found valid (a day
// file empties the settings); on any failure the week is left exactly as
// it was. Slots 97..100 are never touched.
FileResult loadWeek(const QString &path, Week &week);

// Whether a file beginning with head is meant as a week file (or a newer
// kind of Daywheel file): its first line, after an optional byte-order
// mark and blank lines, begins with the word "Daywheel".
bool isWeekFile(QByteArrayView head);
