#pragma once

#include "schedule/day_table.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

// Reads the values of a schedule file as the bytes arrive, so a long file
// costs no more memory than a short one and nothing past the last needed
// value is looked at.
//
// Rules:
// - values go in order into slots 0..96; after the 97th the rest is ignored;
// - blanks (space, tab) before a value are skipped; a value ends at a blank,
//   a comma or a line end (CR LF, LF or CR), so " 1 " is one value and
//   "1,2" or "1 2" are two;
// - blanks and then one comma after a value close that value only:
//   "1 , 2" is two values; a comma with no value before it in its line or
//   since the last comma is an empty field and gives 0 ("1,,2" is 1, 0, 2);
// - a field that is not a whole number (optional sign, then digits) gives 0;
// - blank lines, and a comma at the end of a line, add no values;
// - a whole number outside -32768..32767 is an error, and so is a file that
//   ends before the 97th value.
class ScheduleReader
{
public:
    static constexpr int valueCount = DayTable::storedSlots;

    // Takes the next bytes. Once every value is read, or after an error,
    // further bytes are ignored.
    void feed(QByteArrayView bytes);

    // The input has ended: closes a value that ran to the end of the file and
    // checks that all 97 were there.
    void finish();

    bool complete() const { return count == valueCount && cause.isEmpty(); }
    bool failed() const { return !cause.isEmpty(); }
    bool done() const { return complete() || failed(); }

    // Why the input was refused, as a phrase for a message ("the file ...").
    QString error() const { return cause; }

    int valuesRead() const { return count; }
    const std::array<qint16, valueCount> &values() const { return parsed; }

private:
    void take(char c);
    void startField();
    void endField();
    void push(qint16 value);

    std::array<qint16, valueCount> parsed{};
    int count = 0;
    QString cause;

    int line = 1;
    bool lastWasCr = false;
    bool inField = false;
    bool valueEnded = false;   // a value closed by a blank may still own one comma

    // The field being read.
    bool fieldNumeric = true;
    bool fieldHasDigits = false;
    bool fieldNegative = false;
    bool fieldSignAllowed = true;
    qint64 fieldMagnitude = 0;
    QByteArray fieldText;   // for the message; long fields are cut short
};
