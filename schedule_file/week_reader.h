// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/week.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <array>
#include <bitset>

// Reads a week file as the bytes arrive and stops at the first fault, as
// ScheduleReader reads a day file.
//
// The file: the line "Daywheel week 1"; seven day lines, "Mon" to "Sun" in
// order, each with one run of 96 digits 0 or 1 (slots 1..96, 00:00-00:15
// first); then setting lines, a word and its values. The one setting is
// "value Mon 25 7": the day, the slot 1..96 and a value other than 0 and 1,
// for a slot whose digit is 0.
//
// Leniency, as in a day file: a UTF-8 byte-order mark at the very start is
// skipped; lines end in CR LF, LF or CR; blank lines are skipped; blanks
// (spaces, tabs) before, between and after the words of a line are one
// separator; a value is a number as the day file's values are (rounded,
// -32768..32767).
//
// Refused: another kind or version of file or a setting word not known here
// (a newer Daywheel's), a day out of place, a wrong number of digits or a
// digit other than 0 and 1, a value line with a bad day, slot or value, for
// a slot whose digit is 1, or for a slot given a value before, missing
// days, a place, a day's dark or away given twice, a setting with a value
// out of its range or not written as above, anything else after the days,
// a control or non-ASCII byte, and a line longer than any a week file
// holds.
class WeekReader
{
public:
    static constexpr int slotsPerDay = DayTable::lastSlot;   // slots 1..96
    // Far more than the longest line, a day's, even with blanks around it.
    static constexpr int longestLine = 256;
    // The days' names in the file, Monday first; never translated.
    static constexpr std::array<const char *, Week::days> dayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

    // Takes the next bytes. After an error, or once finished, further bytes
    // are ignored.
    void feed(QByteArrayView bytes);
    // The input has ended: reads a last line without a line end and checks
    // that all seven days were there.
    void finish();

    bool complete() const { return ended && cause.isEmpty(); }
    bool failed() const { return !cause.isEmpty(); }
    bool done() const { return ended || failed(); }

    // Why the input was refused, as a phrase for a message ("line 3 ...").
    QString error() const { return cause; }

    // Whether the first line began with the word "Daywheel": the file is
    // meant as a week file (or a newer kind), so its refusal is this
    // reader's, not the day reader's.
    bool recognized() const { return named; }

    // Writes what was read into slots 1..96 of every day (slot 96 writes 0
    // too) and the settings; slots 97..100 stay as they were. Only
    // meaningful when complete.
    void copyTo(Week &week) const;

private:
    using Fields = QList<QByteArrayView>;

    void take(char c);
    void endLine();
    void refuse(const QString &why);
    void readHeader(const Fields &fields);
    void readDay(const Fields &fields);
    void readSetting(const Fields &fields);
    void readValue(const Fields &fields);
    void readPlace(const Fields &fields);
    void readDark(const Fields &fields);
    void readAway(const Fields &fields);
    void refuseRepeated(const QByteArray &setting);

    std::array<std::array<qint16, slotsPerDay>, Week::days> dayValues{};
    std::array<std::bitset<slotsPerDay>, Week::days> valued{};
    WeekSettings settings;
    bool headerRead = false;
    int daysRead = 0;

    QString cause;
    bool ended = false;
    bool named = false;

    qint64 offset = 0;   // bytes seen, for the byte-order mark
    int line = 1;
    bool lastWasCr = false;
    QByteArray lineText;
};
