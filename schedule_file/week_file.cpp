// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/week_file.h"

#include "schedule_file/file_access.h"
#include "schedule_file/schedule_file.h"
#include "schedule_file/schedule_reader.h"
#include "schedule_file/week_reader.h"

namespace {
// Hundredths of a degree with two decimals always, no plus sign: "-33.87".
QByteArray degreesText(int hundredths)
{
    const int magnitude = qAbs(hundredths);
    return (hundredths < 0 ? "-" : "") + QByteArray::number(magnitude / 100) + '.' + char('0' + magnitude / 10 % 10)
        + char('0' + magnitude % 10);
}

// Minutes with their sign always: "+0", "-15".
QByteArray shiftText(int minutes)
{
    return (minutes < 0 ? "-" : "+") + QByteArray::number(qAbs(minutes));
}

QByteArray settingLines(const WeekSettings &settings)
{
    QByteArray lines;
    if (settings.place)
        lines += "place " + degreesText(settings.place->latitude) + ' ' + degreesText(settings.place->longitude)
            + "\r\n";
    for (int weekday = 1; weekday <= Week::days; ++weekday) {
        const std::optional<DarkSetting> &dark = settings.dark[std::size_t(weekday - 1)];
        if (dark)
            lines += QByteArray("dark ") + WeekReader::dayNames[std::size_t(weekday - 1)]
                + (dark->twilight == DarkSetting::Twilight::Civil ? " civil " : " sunset ")
                + shiftText(dark->duskMinutes) + ' ' + shiftText(dark->dawnMinutes) + "\r\n";
    }
    if (const std::optional<AwaySetting> &away = settings.away) {
        lines += "away " + QByteArray::number(away->minutes);
        // The file holds both dates or neither.
        if (away->first && away->last)
            lines += ' ' + away->first->toString(Qt::ISODate).toLatin1() + ' '
                + away->last->toString(Qt::ISODate).toLatin1();
        lines += "\r\n";
    }
    return lines;
}
}

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
    return bytes + values + settingLines(week.settings);
}

QByteArray savedWeekBytes(const Week &week)
{
    return week.allSame() && week.settings.empty() ? scheduleFileBytes(week.day(1)) : weekFileBytes(week);
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
        week.settings = {};
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
