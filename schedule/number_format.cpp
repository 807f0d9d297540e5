// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/number_format.h"

#include <QTime>
#include <charconv>
#include <cmath>
#include <limits>

QString formatTwoDigits(long long value)
{
    const QString digits = QString::number(value < 0 ? -value : value).rightJustified(2, u'0');
    return value < 0 ? u'-' + digits : digits;
}

QString formatDecimalPattern(double value, int decimals)
{
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long scaled = std::llround(std::fabs(value) * double(scale));
    const long long whole = scaled / scale;
    QString fraction = QString::number(scaled % scale).rightJustified(decimals, u'0');
    while (fraction.endsWith(u'0'))
        fraction.chop(1);

    QString text;
    if (value < 0 && scaled != 0)
        text += u'-';
    if (whole != 0)
        text += QString::number(whole);
    return text + u'.' + fraction;
}

QString formatSignedInteger(long long value)
{
    return value < 0 ? QString::number(value) : u' ' + QString::number(value);
}

QString boundaryLabelText(int boundary)
{
    return QTime(0, 0).addSecs(boundary * 15 * 60).toString(QStringLiteral("hh:mm"));
}

DecimalNumber readDecimal(QByteArrayView text, Exponent exponent)
{
    // Past the end reads as NUL, which continues no number.
    const auto byteAt = [&](qsizetype at) { return at < text.size() ? text[at] : '\0'; };
    const auto skipDigits = [&](qsizetype at) {
        while (byteAt(at) >= '0' && byteAt(at) <= '9')
            ++at;
        return at;
    };

    DecimalNumber number;
    const bool negative = byteAt(0) == '-';
    const qsizetype start = negative || byteAt(0) == '+' ? 1 : 0;
    qsizetype end = skipDigits(start);
    qsizetype digits = end - start;
    if (byteAt(end) == '.') {
        const qsizetype fraction = end + 1;
        end = skipDigits(fraction);
        digits += end - fraction;
    }
    number.reach = end;
    if (digits == 0)
        return number;
    number.length = end;

    bool negativeExponent = false;
    if (exponent == Exponent::Allowed && (byteAt(end) == 'e' || byteAt(end) == 'E')) {
        qsizetype at = end + 1;
        const bool minus = byteAt(at) == '-';
        if (minus || byteAt(at) == '+')
            ++at;
        number.reach = skipDigits(at);
        if (number.reach > at) {
            number.length = number.reach;
            negativeExponent = minus;
        }
    }

    // from_chars takes no plus sign; a minus it reads itself.
    const char *first = text.data() + (negative ? 0 : start);
    if (std::from_chars(first, text.data() + number.length, number.value).ec
        == std::errc::result_out_of_range) {
        const double inf = std::numeric_limits<double>::infinity();
        number.value = negativeExponent ? 0.0 : negative ? -inf : inf;
    }
    return number;
}

std::optional<qint16> roundedInt16(double value)
{
    const double whole = std::nearbyint(value);
    if (!(whole >= -32768.0 && whole <= 32767.0))
        return std::nullopt;
    return qint16(whole);
}
