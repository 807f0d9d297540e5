// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/daywheel_protocol.h"
#include "schedule/week.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <array>
#include <optional>

class DayTable;

// What goes over the wire to the board and how its replies read.
// Every message is one line ended by a line feed, no carriage return.

// DW_CMD_SET_TIME + the time of day as hh:mm + LF.
QByteArray timeMessage(const QString &hhmm);

// How long `bytes` take on the wire.
constexpr double wireSeconds(qsizetype bytes)
{
    return bytes * double(DW_LINE_BITS_PER_BYTE) / double(DW_LINE_BAUD);
}

// A line less its line end (LF, CR LF or several).
QByteArray withoutLineEnd(QByteArray line);

// One half of the day as the board answers DW_CMD_GET_A (half 0) or
// DW_CMD_GET_B (half 1): the store line's letter + DW_HALF_SLOTS digits 0/1,
// then the line end. Nothing when the answer is anything else.
using DayHalf = std::array<qint16, DW_HALF_SLOTS>;
std::optional<DayHalf> readHalf(QByteArrayView answer, int half);

// Whether a greeting says the board knows the time to the millisecond
// (DW_CMD_SET_PRECISE and DW_CMD_GET_PRECISE).
bool boardSetsToTheMs(QByteArrayView greeting);

// The lines that set a board to the ms: DW_CMD_SET_PRECISE + seconds after
// midnight "." 3 digits, the date and the UTC offset in minutes, naming the
// local time the line's feed reaches the board when its first byte is
// written at `writtenAt` (in its time zone); then the zone's coming offset
// changes (DW_CMD_OFFSET_CHANGE, the first DW_OFFSET_CHANGES of the next
// four years), each + LF.
QList<QByteArray> preciseTimeLines(const QDateTime &writtenAt);

// Whether the time zone of `at` changes its UTC offset within the year after.
bool offsetChangesWithinAYear(const QDateTime &at);

// An answer to DW_CMD_GET_PRECISE: the board's time, the coming offset
// changes it holds, its trim in ppm.
struct PreciseReading {
    double seconds = 0;
    int changes = 0;
    int trimPpm = 0;
};
PreciseReading readPrecise(QByteArrayView answer);

// How far the board's time in an answer to DW_CMD_GET_PRECISE lies from the
// host's when the board read its clock: the answer, which arrived at
// `arrived`, took its own length on the wire. Around midnight the nearer day
// counts. hostAtRead, if given, gets the host's time of the reading.
double preciseOffset(QByteArrayView answer, const QTime &arrived, QTime *hostAtRead = nullptr);

// A query: the letter + LF (DW_CMD_GET_TIME, ..._GET_A, ..._GET_B, ..._STATUS).
QByteArray queryMessage(char letter);

// The day as the board stores it: DW_CMD_STORE_A + a digit for each of the
// first half's entries (0..47), then DW_CMD_STORE_B + the second half's,
// each + LF, 50 bytes. Each entry goes as the dial draws it: 1 for on, 0 for
// any other value (the board refuses a line with anything else whole, and
// would run half the old day).
QList<QByteArray> dayLines(const DayTable &day);
// How many of the entries dayLines sends held neither 0 nor 1.
int slotsSentAsOff(const DayTable &day);

// Whether the greeting says the board keeps a program per weekday
// (DW_GREETING_WEEK).
bool boardKeepsWeek(QByteArrayView greeting);
// The week as such a board stores it: DW_CMD_STORE_DAY + weekday + half
// letter + its digits, as dayLines makes them, for Monday's halves first.
QList<QByteArray> weekLines(const Week &week);
// The question for one weekday's half (DW_CMD_GET_DAY), and its answer's
// values: the store line that holds it.
QByteArray dayHalfQuery(int weekday, int half);
std::optional<DayHalf> readDayHalf(QByteArrayView answer, int weekday, int half);

// The number a reply begins with, read the way BASIC's Val reads it: blanks,
// tabs and line feeds anywhere are skipped; then an optional sign, digits, an
// optional fraction and an optional exponent; reading stops at the first byte
// that cannot continue the number (a carriage return, say). No number gives 0.
double leadingNumber(QByteArrayView text);

// The board's seconds after midnight leading a reply, rounded to a whole
// second (half to even); nothing when that does not fit 32 bits.
std::optional<qint32> boardSeconds(QByteArrayView reply);

// The board's time of day (seconds after midnight, leading the reply),
// rounded to a whole second, as "hh:mm" with whole minutes (timeOfDayText
// without the seconds). Past a day the hours go on ("25:00"); a negative
// number reads "-00:01". A number that does not fit 32 bits reads 00:00.
QString boardTimeText(QByteArrayView reply);
