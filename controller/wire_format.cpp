#include "controller/wire_format.h"

#include "schedule/day_table.h"
#include "schedule/number_format.h"

#include <cctype>
#include <cmath>
#include <limits>

QByteArray timeMessage(const QString &clockText)
{
    return 't' + clockText.toLatin1() + '\n';
}

QByteArray queryMessage(char letter)
{
    return QByteArray(1, letter) + '\n';
}

QByteArray programLine(char letter, const DayTable &table, int first)
{
    QByteArray line(1, letter);
    for (int i = first; i < first + 48; ++i)
        line += QByteArray::number(table.at(i));
    return line + '\n';
}

double leadingNumber(QByteArrayView text)
{
    QByteArray packed;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            packed += c;
    }

    qsizetype i = 0;
    const auto digitAt = [&](qsizetype at) {
        return at < packed.size() && std::isdigit(static_cast<unsigned char>(packed[at]));
    };
    const auto skipDigits = [&](qsizetype &at) {
        qsizetype n = 0;
        while (digitAt(at)) {
            ++at;
            ++n;
        }
        return n;
    };

    if (i < packed.size() && (packed[i] == '+' || packed[i] == '-'))
        ++i;
    qsizetype digits = skipDigits(i);
    if (i < packed.size() && packed[i] == '.') {
        ++i;
        digits += skipDigits(i);
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    bool tinyExponent = false;
    if (i < packed.size() && (packed[i] == 'e' || packed[i] == 'E')) {
        qsizetype e = i + 1;
        const bool minus = e < packed.size() && packed[e] == '-';
        if (e < packed.size() && (packed[e] == '+' || minus))
            ++e;
        if (skipDigits(e) > 0) {
            end = e;   // "12e" is 12: an exponent needs digits
            tinyExponent = minus;
        }
    }

    bool ok = false;
    const double value = packed.first(end).toDouble(&ok);
    if (ok)
        return value;
    // Out of double range. Too small is as good as 0; too large the caller
    // sees as a number that fits no time.
    if (tinyExponent)
        return 0.0;
    return packed[0] == '-' ? -std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::infinity();
}

QString controllerTimeText(QByteArrayView reply)
{
    const double seconds = leadingNumber(reply);
    const double rounded = std::nearbyint(seconds);   // to even on a half, like BASIC's CLng
    if (!(rounded >= double(std::numeric_limits<qint32>::min())
          && rounded <= double(std::numeric_limits<qint32>::max())))
        return QStringLiteral("00:00");
    // Hours and minutes of the same whole number, so 3599.5 s reads 01:00
    // and not 00:00; a negative time keeps its sign in front.
    const qint64 n = qint64(rounded);
    const qint64 magnitude = n < 0 ? -n : n;
    return (n < 0 ? QStringLiteral("-") : QString()) + formatTwoDigits(magnitude / 3600) + u':'
        + formatTwoDigits(magnitude % 3600 / 60);
}
