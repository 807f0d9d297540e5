// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"
#include "schedule_file/file_result.h"
// The week on disk (saveWeek, loadWeek, weekFileBytes): callers of this
// header read and write either kind of file.
#include "schedule_file/week_file.h"

#include <QByteArray>
#include <QString>

// The schedule on disk: 97 lines, line k holding slot k - 1 in the
// signed-integer form (" 1", "-1"), then one blank and CR LF.

// The exact bytes a save writes for the day's slots 0..96.
QByteArray scheduleFileBytes(const DayTable &day);

// Replaces the file at path with slots 0..96 of the day. The new content
// goes to a temporary file that takes the old one's place only once it is
// complete, so a failed save leaves the old file as it was.
FileResult saveSchedule(const QString &path, const DayTable &day);

// Reads slots 0..96 from the file at path (rules in ScheduleReader). The
// day is changed only when the whole file was read and every value was
// valid; on any failure it is left exactly as it was. Only a regular file,
// or a link to one, is read, never more than 1 MiB of it, and opening it
// never waits.
FileResult loadSchedule(const QString &path, DayTable &day);

// Whether path is a regular file or a link to one: what Load can read.
bool isRegularFile(const QString &path);
