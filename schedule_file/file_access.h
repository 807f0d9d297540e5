// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule_file/file_result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

// What the day file and the week file share on disk: how a file is put in
// place and how one is read. For the schedule_file sources; callers use
// saveSchedule, loadSchedule, saveWeek and loadWeek.

// Replaces the file at path with bytes: they go to a temporary file that
// takes the old one's place only once it is complete (in a folder the user
// may not write to, an existing file is rewritten in place, its old content
// put back if that fails).
FileResult writeScheduleFile(const QString &path, const QByteArray &bytes);

// Reads the file at path piece by piece into take, until take returns false
// (it has seen enough) or the file ends. Only a regular file, or a link to
// one, is opened, never waiting; more than 1 MiB of it is refused. A
// failure names the file and the cause.
FileResult readScheduleFile(const QString &path, const std::function<bool(QByteArrayView)> &take);

// A load refused for cause, naming the file.
FileResult loadRefused(const QString &path, const QString &cause);
