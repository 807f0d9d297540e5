// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule_file/schedule_reader.h"

#include "schedule_file/byte_order_mark.h"

#include "schedule/number_format.h"

#include <QCoreApplication>

namespace {
constexpr int shownFieldLength = 24;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isPrintable(QByteArrayView text)
{
    for (char c : text) {
        if (c < 0x20 || c > 0x7e)
            return false;
    }
    return true;
}
}

void ScheduleReader::feed(QByteArrayView bytes)
{
    byte_order_mark::feed(offset, bytes, [this](char c) { take(c); }, [this] { return done(); });
}

void ScheduleReader::finish()
{
    if (done())
        return;
    byte_order_mark::finish(offset, [this](char c) { take(c); }, [this] { return done(); });
    if (inField && !done())
        endField();
    if (!done() && count < valueCount)
        cause = count == 0
            ? QCoreApplication::translate("ScheduleFile", "the file holds no values; %1 are needed").arg(valueCount)
            : QCoreApplication::translate("ScheduleFile", "the file ends after %1 values; %2 are needed")
                  .arg(count)
                  .arg(valueCount);
    ended = true;
}

void ScheduleReader::take(char c)
{
    const bool crLfPair = c == '\n' && lastWasCr;
    lastWasCr = c == '\r';

    if (c == '\r' || c == '\n') {
        if (inField)
            endField();
        valueEnded = false;
        if (!crLfPair) {
            ++line;
            valuesOnLine = 0;
        }
        return;
    }
    if (isBlank(c)) {
        if (inField)
            endField();
        return;
    }
    if (c == ',') {
        if (inField)
            endField();
        else if (!valueEnded)
            push(0);   // nothing between two delimiters: an empty field
        valueEnded = false;
        return;
    }

    if (!inField) {
        inField = true;
        fieldText.clear();
    }
    takeInField(c);
}

void ScheduleReader::takeInField(char c)
{
    if (fieldText.size() >= longestField) {
        // A field that still spells a number could only be one too long to
        // hold; anything else is a word, refused as such.
        if (readDecimal(fieldText).reach < fieldText.size())
            refuseField();
        else
            cause = QCoreApplication::translate("ScheduleFile", "the value on line %1 is too long to be a "
                                                                 "number of the schedule")
                        .arg(line);
        return;
    }
    fieldText.append(c);
    // A word is refused whole when it ends, so the message can quote it; a
    // control or non-ASCII byte, which no number holds, at once: a field of
    // NUL bytes read from a device would never end.
    if (!isPrintable(QByteArrayView(&c, 1)))
        refuseField();
}

void ScheduleReader::refuseField()
{
    if (isPrintable(fieldText)) {
        QByteArray shown = fieldText.left(shownFieldLength);
        if (fieldText.size() > shownFieldLength)
            shown += "...";
        cause = QCoreApplication::translate("ScheduleFile", "line %1 holds \"%2\", which is not a number")
                    .arg(line)
                    .arg(QString::fromLatin1(shown));
    } else {
        cause = QCoreApplication::translate("ScheduleFile", "line %1 holds something other than numbers "
                                                             "(control bytes, binary data or text that is not plain ASCII)")
                    .arg(line);
    }
}

void ScheduleReader::endField()
{
    inField = false;
    valueEnded = true;
    const DecimalNumber number = readDecimal(fieldText);
    if (number.length != fieldText.size()) {
        refuseField();
        return;
    }
    const std::optional<qint16> value = roundedInt16(number.value);
    if (!value) {
        QByteArray shown = fieldText.left(shownFieldLength);
        if (fieldText.size() > shownFieldLength)
            shown += "...";
        cause = QCoreApplication::translate("ScheduleFile", "the value %1 on line %2 lies outside -32768..32767")
                    .arg(QString::fromLatin1(shown))
                    .arg(line);
        return;
    }
    push(*value);
}

void ScheduleReader::push(qint16 value)
{
    // One value per line is the rule; a line of two (1,0: a decimal comma?)
    // is most likely why the file holds too many.
    if (++valuesOnLine > 1 && (crowdedLine == 0 || crowdedLine == line)) {
        crowdedLine = line;
        crowdedValues = valuesOnLine;
    }
    if (count == valueCount) {
        if (crowdedLine)
            cause = QCoreApplication::translate("ScheduleFile", "line %1 holds %2 values: a decimal comma? A schedule "
                                                                 "has one value per line, %3 in all")
                        .arg(crowdedLine)
                        .arg(crowdedValues)
                        .arg(valueCount);
        else
            cause = QCoreApplication::translate("ScheduleFile", "line %1 holds a %2th value; a schedule has %3")
                        .arg(line)
                        .arg(valueCount + 1)
                        .arg(valueCount);
        return;
    }
    parsed[std::size_t(count)] = value;
    ++count;
}
