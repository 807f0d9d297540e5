// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/wire_format.h"

#include "board/board_clock.h"
#include "schedule/day_table.h"
#include "schedule/number_format.h"

#include <QTimeZone>

#include <cmath>
#include <limits>

QByteArray timeMessage(const QString &hhmm)
{
    return DW_CMD_SET_TIME + hhmm.toLatin1() + '\n';
}

bool boardSetsToTheMs(QByteArrayView greeting)
{
    return greeting.contains(DW_GREETING_PRECISE);
}

namespace {

// The board keeps dates of 2000 to 2099, as a clock module does.
bool boardDate(const QDate &date)
{
    return date.year() >= 2000 && date.year() <= 2099;
}

QByteArray signedMinutes(int offsetSeconds)
{
    const int minutes = offsetSeconds / 60;
    return (minutes < 0 ? "-" : "+") + QByteArray::number(std::abs(minutes));
}

} // namespace

QList<QByteArray> preciseTimeLines(const QDateTime &writtenAt)
{
    const QTimeZone zone = writtenAt.timeZone();
    const auto line = [&](qint64 wireMs) {
        const QDateTime at = writtenAt.addMSecs(wireMs).toTimeZone(zone);
        const int ms = at.time().msecsSinceStartOfDay();
        QByteArray set = DW_CMD_SET_PRECISE + QByteArray::number(ms / 1000) + '.'
            + QByteArray::number(ms % 1000).rightJustified(3, '0');
        if (boardDate(at.date()))
            set += ' ' + at.date().toString(Qt::ISODate).toLatin1() + ' ' + signedMinutes(at.offsetFromUtc());
        return set + '\n';
    };
    // The line's own length decides when its feed arrives: one guess at the
    // longest, then the line for that arrival.
    const qsizetype longest = sizeof "p86399.999 2099-12-31 -1080\n" - 1;
    const qint64 wireMs = qRound(wireSeconds(line(qRound(wireSeconds(longest) * 1000)).size()) * 1000);
    QList<QByteArray> lines{line(wireMs)};
    const QDateTime arrival = writtenAt.addMSecs(wireMs);
    if (!boardDate(arrival.toTimeZone(zone).date()) || !zone.hasTransitions())
        return lines;
    int offset = zone.offsetFromUtc(arrival);
    for (const QTimeZone::OffsetData &change : zone.transitions(arrival, arrival.addYears(4))) {
        // The instant as the board's clock reads it just before the change.
        const QDateTime before = change.atUtc.toOffsetFromUtc(offset);
        if (change.offsetFromUtc == offset)
            continue;
        if (lines.size() > int(DW_OFFSET_CHANGES) || !boardDate(before.date()))
            break;
        lines << DW_CMD_OFFSET_CHANGE + before.toString(QStringLiteral("yyyy-MM-dd hh:mm ")).toLatin1()
                + signedMinutes(change.offsetFromUtc) + '\n';
        offset = change.offsetFromUtc;
    }
    return lines;
}

bool offsetChangesWithinAYear(const QDateTime &at)
{
    const QTimeZone zone = at.timeZone();
    if (!zone.hasTransitions())
        return false;
    const QDateTime next = zone.nextTransition(at).atUtc;
    return next.isValid() && next < at.addYears(1);
}

PreciseReading readPrecise(QByteArrayView answer)
{
    const QList<QByteArray> fields = answer.toByteArray().simplified().split(' ');
    PreciseReading reading;
    reading.seconds = leadingNumber(fields.value(0));
    reading.changes = fields.value(1).toInt();
    reading.trimPpm = fields.value(2).toInt();
    return reading;
}

double preciseOffset(QByteArrayView answer, const QTime &arrived, QTime *hostAtRead)
{
    const QTime host = arrived.addMSecs(-qRound(wireSeconds(answer.size()) * 1000));
    if (hostAtRead)
        *hostAtRead = host;
    const double offset = readPrecise(answer).seconds - host.msecsSinceStartOfDay() / 1000.0;
    return offset - 86400 * std::round(offset / 86400);
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

namespace {
// The digits after a store line's head, as values.
std::optional<DayHalf> halfAfter(QByteArrayView answer, const QByteArray &head)
{
    const QByteArray line = withoutLineEnd(answer.toByteArray());
    if (line.size() != head.size() + qsizetype(DW_HALF_SLOTS) || !line.startsWith(head))
        return std::nullopt;
    DayHalf values{};
    for (std::size_t i = 0; i < DW_HALF_SLOTS; ++i) {
        const char digit = line[qsizetype(i) + head.size()];
        if (digit != '0' && digit != '1')
            return std::nullopt;
        values[i] = qint16(digit - '0');
    }
    return values;
}

char halfLetter(int half)
{
    return half ? DW_CMD_STORE_B : DW_CMD_STORE_A;
}

QByteArray dayHalfHead(int weekday, int half)
{
    return QByteArray(1, DW_CMD_STORE_DAY) + char('0' + weekday) + halfLetter(half);
}

// One half's digits as the dial draws them.
QByteArray halfDigits(const DayTable &day, int half)
{
    QByteArray digits;
    for (int i = half * int(DW_HALF_SLOTS); i < (half + 1) * int(DW_HALF_SLOTS); ++i)
        digits += day.isOn(i) ? '1' : '0';
    return digits;
}
}

std::optional<DayHalf> readHalf(QByteArrayView answer, int half)
{
    return halfAfter(answer, QByteArray(1, halfLetter(half)));
}

std::optional<DayHalf> readDayHalf(QByteArrayView answer, int weekday, int half)
{
    return halfAfter(answer, dayHalfHead(weekday, half));
}

QByteArray dayHalfQuery(int weekday, int half)
{
    return QByteArray(1, DW_CMD_GET_DAY) + char('0' + weekday) + halfLetter(half) + '\n';
}

bool boardKeepsWeek(QByteArrayView greeting)
{
    // One word of the greeting's list: later boards add theirs after it.
    return withoutLineEnd(greeting.toByteArray()).split(',').contains(QByteArray(DW_GREETING_WEEK).mid(1));
}

QList<QByteArray> weekLines(const Week &week)
{
    QList<QByteArray> lines;
    for (int weekday = 1; weekday <= Week::days; ++weekday)
        for (int half = 0; half < 2; ++half)
            lines << dayHalfHead(weekday, half) + halfDigits(week.day(weekday), half) + '\n';
    return lines;
}

QByteArray queryMessage(char letter)
{
    return QByteArray(1, letter) + '\n';
}

QList<QByteArray> dayLines(const DayTable &day)
{
    return {halfLetter(0) + halfDigits(day, 0) + '\n', halfLetter(1) + halfDigits(day, 1) + '\n'};
}

int slotsSentAsOff(const DayTable &day)
{
    int n = 0;
    for (int i = 0; i < 2 * int(DW_HALF_SLOTS); ++i)
        n += day.at(i) != 0 && !day.isOn(i);
    return n;
}

double leadingNumber(QByteArrayView text)
{
    QByteArray packed;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            packed += c;
    }
    // No number reads 0, as readDecimal leaves it.
    return readDecimal(packed).value;
}

std::optional<qint32> boardSeconds(QByteArrayView reply)
{
    const double rounded = std::nearbyint(leadingNumber(reply));   // to even on a half, like BASIC's CLng
    if (!(rounded >= double(std::numeric_limits<qint32>::min())
          && rounded <= double(std::numeric_limits<qint32>::max())))
        return std::nullopt;
    return qint32(rounded);
}

QString boardTimeText(QByteArrayView reply)
{
    const std::optional<qint32> seconds = boardSeconds(reply);
    if (!seconds)
        return QStringLiteral("00:00");
    // Hours and minutes of the same whole number, so 3599.5 s reads 01:00
    // and not 00:00; a negative time keeps its sign in front.
    return timeOfDayText(*seconds).chopped(3);
}
