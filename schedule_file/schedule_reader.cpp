#include "schedule_file/schedule_reader.h"

#include <cmath>

namespace {
constexpr char byteOrderMark[] = "\xEF\xBB\xBF";
constexpr int shownFieldLength = 24;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
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
    for (char c : bytes) {
        if (done())
            return;
        // A byte-order mark is skipped only whole and only at the start; a
        // start that merely resembles one is read as it is.
        if (offset < 3) {
            const qint64 at = offset++;
            if (c == byteOrderMark[at])
                continue;
            for (qint64 i = 0; i < at && !done(); ++i)
                take(byteOrderMark[i]);
            offset = 3;
            if (done())
                return;
        }
        take(c);
    }
}

void ScheduleReader::finish()
{
    if (done())
        return;
    if (offset > 0 && offset < 3) {
        // The file was shorter than a byte-order mark: those bytes are content.
        const qint64 seen = offset;
        offset = 3;
        for (qint64 i = 0; i < seen && !done(); ++i)
            take(byteOrderMark[i]);
    }
    if (inField && !done())
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

    if (!inField) {
        inField = true;
        shape = Shape::Empty;
        fieldText.clear();
    }
    takeInField(c);
}

void ScheduleReader::takeInField(char c)
{
    if (fieldText.size() >= longestField) {
        if (shape == Shape::Broken)
            refuseField();
        else
            cause = QStringLiteral("the value on line %1 is too long to be a number of the schedule").arg(line);
        return;
    }
    fieldText.append(c);

    const bool digit = isDigit(c);
    const bool sign = c == '+' || c == '-';
    const bool point = c == '.';
    const bool exponent = c == 'e' || c == 'E';
    switch (shape) {
    case Shape::Empty:
        shape = sign ? Shape::Sign : digit ? Shape::Whole : point ? Shape::PointFirst : Shape::Broken;
        break;
    case Shape::Sign:
        shape = digit ? Shape::Whole : point ? Shape::PointFirst : Shape::Broken;
        break;
    case Shape::Whole:
        shape = digit ? Shape::Whole : point ? Shape::Point : exponent ? Shape::Exponent : Shape::Broken;
        break;
    case Shape::PointFirst:
        shape = digit ? Shape::Fraction : Shape::Broken;
        break;
    case Shape::Point:
    case Shape::Fraction:
        shape = digit ? Shape::Fraction : exponent ? Shape::Exponent : Shape::Broken;
        break;
    case Shape::Exponent:
        shape = sign ? Shape::ExponentSign : digit ? Shape::ExponentDigits : Shape::Broken;
        break;
    case Shape::ExponentSign:
    case Shape::ExponentDigits:
        shape = digit ? Shape::ExponentDigits : Shape::Broken;
        break;
    case Shape::Broken:
        break;
    }
    // A word is refused whole when it ends, so the message can quote it; a
    // control or non-ASCII byte at once: a field of NUL bytes read from a
    // device would never end.
    if (shape == Shape::Broken && !isPrintable(QByteArrayView(&c, 1)))
        refuseField();
}

void ScheduleReader::refuseField()
{
    if (isPrintable(fieldText)) {
        QByteArray shown = fieldText.left(shownFieldLength);
        if (fieldText.size() > shownFieldLength)
            shown += "...";
        cause = QStringLiteral("line %1 holds \"%2\", which is not a number")
                    .arg(line)
                    .arg(QString::fromLatin1(shown));
    } else {
        cause = QStringLiteral("line %1 holds something other than numbers (control bytes, "
                               "binary data or text that is not plain ASCII)")
                    .arg(line);
    }
}

void ScheduleReader::endField()
{
    inField = false;
    valueEnded = true;
    if (shape != Shape::Whole && shape != Shape::Point && shape != Shape::Fraction
        && shape != Shape::ExponentDigits) {
        refuseField();
        return;
    }
    bool ok = false;
    double value = std::nearbyint(fieldText.toDouble(&ok));
    // Too small for a double is as good as 0; too large is out of range below.
    if (!ok && (fieldText.contains("e-") || fieldText.contains("E-"))) {
        value = 0;
        ok = true;
    }
    if (!ok || !(value >= -32768.0 && value <= 32767.0)) {
        QByteArray shown = fieldText.left(shownFieldLength);
        if (fieldText.size() > shownFieldLength)
            shown += "...";
        cause = QStringLiteral("the value %1 on line %2 lies outside -32768..32767")
                    .arg(QString::fromLatin1(shown))
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
