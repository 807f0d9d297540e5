// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/week_file.h"

#include "schedule_file/file_access.h"
#include "schedule_file/schedule_file.h"
#include "schedule_file/schedule_reader.h"
#include "schedule_file/week_reader.h"

QByteArray weekFileBytes(const Week &week)
{
    QByteArray bytes = "Daywheel week 1\r\n";
    QByteArray values;
    for (int weekday = 1; weekday <= Week::days; ++weekday) {
        const DayTable &day = week.day(weekday);
        const QByteArray name = WeekReader::dayNames[std::size_t(weekday - 1)];
        bytes += name + ' ';
        for (int slot = 1; slot <= WeekReader::slotsPerDay; ++slot) {
            const qint16 value = day.at(slot);
            bytes += value == 1 ? '1' : '0';
            if (value != 0 && value != 1)
                values += "value " + name + ' ' + QByteArray::number(slot) + ' ' + QByteArray::number(value) + "\r\n";
        }
        bytes += "\r\n";
    }
    return bytes + values;
}

QByteArray savedWeekBytes(const Week &week)
{
    return week.allSame() ? scheduleFileBytes(week.day(1)) : weekFileBytes(week);
}

FileResult saveWeek(const QString &path, const Week &week)
{
    return writeScheduleFile(path, savedWeekBytes(week));
}

FileResult loadWeek(const QString &path, Week &week)
{
    // Both readers take the file: each refuses the other's kind on its
    // first line, so at most one completes.
    ScheduleReader dayReader;
    WeekReader weekReader;
    const FileResult read = readScheduleFile(path, [&](QByteArrayView piece) {
        dayReader.feed(piece);
        weekReader.feed(piece);
        return !dayReader.done() || !weekReader.done();
    });
    if (!read.ok())
        return read;
    dayReader.finish();
    weekReader.finish();

    if (weekReader.complete()) {
        weekReader.copyTo(week);
    } else if (dayReader.complete()) {
        for (int weekday = 1; weekday <= Week::days; ++weekday) {
            for (int i = 0; i < ScheduleReader::valueCount; ++i)
                week.day(weekday).set(i, dayReader.values()[std::size_t(i)]);
        }
    } else {
        return loadRefused(path, weekReader.recognized() ? weekReader.error() : dayReader.error());
    }
    return FileResult::success();
}

bool isWeekFile(QByteArrayView head)
{
    WeekReader reader;
    reader.feed(head);
    reader.finish();
    return reader.recognized();
}
