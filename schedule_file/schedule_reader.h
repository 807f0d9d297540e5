// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "schedule/day_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

// Reads the values of a schedule file as the bytes arrive, so a long file
// costs no more memory than a short one, and stops at the first fault.
//
// Rules:
// - a UTF-8 byte-order mark at the very start is skipped;
// - values go in order into slots 0..96; a 98th refuses the file (a file
//   written with decimal commas, "1,0", would otherwise load shifted);
// - blanks (space, tab) before a value are skipped; a value ends at a blank,
//   a comma or a line end (CR LF, LF or CR), so " 1 " is one value and
//   "1,2" or "1 2" are two;
// - blanks and then one comma after a value close that value only:
//   "1 , 2" is two values; a comma with no value before it in its line or
//   since the last comma is an empty field and gives 0 ("1,,2" is 1, 0, 2);
// - a value is a decimal number as readDecimal reads it: an optional sign,
//   digits with an optional fraction, an optional exponent ("1", "-1",
//   "1.0", ".5", "1e0"). A fraction is rounded to the nearest whole number,
//   a half to the even one;
// - blank lines, and a comma at the end of a line, add no values;
// - anything else refuses the whole file: a field that is not a number (a
//   word, a control byte, text in another encoding), a whole number outside
//   -32768..32767, a file that ends before the 97th value or goes on past it.
class ScheduleReader
{
public:
    static constexpr int valueCount = DayTable::storedSlots;
    // No written number is longer; a longer field is refused, not kept.
    static constexpr int longestField = 256;

    // Takes the next bytes. After an error, or once finished, further bytes
    // are ignored.
    void feed(QByteArrayView bytes);

    // The input has ended: closes a value that ran to the end of the file and
    // checks that all 97 were there.
    void finish();

    bool complete() const { return ended && count == valueCount && cause.isEmpty(); }
    bool failed() const { return !cause.isEmpty(); }
    bool done() const { return ended || failed(); }

    // Why the input was refused, as a phrase for a message ("the file ...").
    QString error() const { return cause; }

    int valuesRead() const { return count; }
    const std::array<qint16, valueCount> &values() const { return parsed; }

private:
    void take(char c);
    void takeInField(char c);
    void endField();
    void push(qint16 value);
    void refuseField();

    std::array<qint16, valueCount> parsed{};
    int count = 0;
    QString cause;
    bool ended = false;

    qint64 offset = 0;   // bytes seen, for the byte-order mark
    int line = 1;
    int valuesOnLine = 0;
    int crowdedLine = 0;     // the first line holding more than one value
    int crowdedValues = 0;   // how many it holds
    bool lastWasCr = false;
    bool inField = false;
    bool valueEnded = false;   // a value closed by a blank may still own one comma

    QByteArray fieldText;
};
