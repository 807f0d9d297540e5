#include "schedule_file/schedule_reader.h"

namespace {
constexpr qint64 magnitudeCap = 1'000'000;   // anything past this is out of range anyway
constexpr int shownFieldLength = 24;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
}

void ScheduleReader::feed(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (done())
            return;
        take(c);
    }
}

void ScheduleReader::finish()
{
    if (done())
        return;
    if (inField)
        endField();
    if (!done())
        cause = count == 0
            ? QStringLiteral("the file holds no values; %1 are needed").arg(valueCount)
            : QStringLiteral("the file ends after %1 values; %2 are needed").arg(count).arg(valueCount);
}

void ScheduleReader::take(char c)
{
    const bool crLfPair = c == '\n' && lastWasCr;
    lastWasCr = c == '\r';

    if (c == '\r' || c == '\n') {
        if (inField)
            endField();
        valueEnded = false;
        if (!crLfPair)
            ++line;
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

    if (!inField)
        startField();
    if (fieldText.size() < shownFieldLength)
        fieldText.append(c);
    else if (fieldText.size() == shownFieldLength)
        fieldText.append("...");
    if (fieldSignAllowed && (c == '-' || c == '+')) {
        fieldNegative = c == '-';
    } else if (c >= '0' && c <= '9') {
        fieldHasDigits = true;
        fieldMagnitude = qMin(fieldMagnitude * 10 + (c - '0'), magnitudeCap);
    } else {
        fieldNumeric = false;
    }
    fieldSignAllowed = false;
}

void ScheduleReader::startField()
{
    inField = true;
    fieldNumeric = true;
    fieldHasDigits = false;
    fieldNegative = false;
    fieldSignAllowed = true;
    fieldMagnitude = 0;
    fieldText.clear();
}

void ScheduleReader::endField()
{
    inField = false;
    valueEnded = true;
    if (!fieldNumeric || !fieldHasDigits) {
        push(0);
        return;
    }
    const qint64 value = fieldNegative ? -fieldMagnitude : fieldMagnitude;
    if (value < -32768 || value > 32767) {
        cause = QStringLiteral("the value %1 on line %2 lies outside -32768..32767")
                    .arg(QString::fromLatin1(fieldText))
                    .arg(line);
        return;
    }
    push(qint16(value));
}

void ScheduleReader::push(qint16 value)
{
    parsed[std::size_t(count)] = value;
    ++count;
}
