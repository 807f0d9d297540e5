// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/wire_format.h"

#include "schedule/day_table.h"
#include "schedule/number_format.h"

#include <cmath>
#include <limits>

QByteArray timeMessage(const QString &clockText)
{
    return DW_CMD_SET_TIME + clockText.toLatin1() + '\n';
}

bool boardSetsToTheMs(QByteArrayView greeting)
{
    return greeting.contains(DW_GREETING_PRECISE);
}

QByteArray preciseTimeMessage(const QTime &writtenAt)
{
    const auto line = [](int ms) {
        ms %= 86400000;
        return DW_CMD_SET_PRECISE + QByteArray::number(ms / 1000) + '.'
            + QByteArray::number(ms % 1000).rightJustified(3, '0') + '\n';
    };
    // The line's own length decides when its feed arrives: one guess at the
    // longest, then the line for that arrival.
    const int at = writtenAt.msecsSinceStartOfDay();
    const qsizetype longest = line(86399999).size();
    const QByteArray guess = line(at + qRound(wireSeconds(longest) * 1000));
    return line(at + qRound(wireSeconds(guess.size()) * 1000));
}

double preciseOffset(QByteArrayView answer, const QTime &arrived, QTime *hostAtRead)
{
    const QTime host = arrived.addMSecs(-qRound(wireSeconds(answer.size()) * 1000));
    if (hostAtRead)
        *hostAtRead = host;
    const double offset = leadingNumber(answer) - host.msecsSinceStartOfDay() / 1000.0;
    return offset - 86400 * std::round(offset / 86400);
}

QByteArray queryMessage(char letter)
{
    return QByteArray(1, letter) + '\n';
}

QList<QByteArray> programLines(const DayTable &table)
{
    QList<QByteArray> lines;
    for (const char letter : {DW_CMD_STORE_A, DW_CMD_STORE_B}) {
        const int first = letter == DW_CMD_STORE_A ? 0 : int(DW_HALF_SLOTS);
        QByteArray line(1, letter);
        for (int i = first; i < first + int(DW_HALF_SLOTS); ++i)
            line += QByteArray::number(table.at(i));
        lines << line + '\n';
    }
    return lines;
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

QString controllerTimeText(QByteArrayView reply)
{
    const std::optional<qint32> seconds = boardSeconds(reply);
    if (!seconds)
        return QStringLiteral("00:00");
    // Hours and minutes of the same whole number, so 3599.5 s reads 01:00
    // and not 00:00; a negative time keeps its sign in front.
    const qint64 n = *seconds;
    const qint64 magnitude = n < 0 ? -n : n;
    return (n < 0 ? QStringLiteral("-") : QString()) + formatTwoDigits(magnitude / 3600) + u':'
        + formatTwoDigits(magnitude % 3600 / 60);
}
