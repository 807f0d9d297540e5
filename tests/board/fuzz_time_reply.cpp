// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the Get Time reply rule (leadingNumber,
// boardTimeText) on arbitrary bytes. The shown text always has the
// form -?hh:mm with minutes 00..59 and agrees with the number the reply
// starts with; nothing after a carriage return counts; blanks, tabs and line
// feeds anywhere, and a sign in front, act as the rule says. Any broken rule
// aborts, so libFuzzer keeps the input.
#include "board/wire_format.h"
#include "support/fuzz_rules.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

QString shown(double v)
{
    return QString::number(v, 'g', 17);
}

// Checks the text's form and that it says the rounded number's whole minutes.
void checkText(const QString &text, double number)
{
    const bool negative = text.startsWith(u'-');
    const QString body = negative ? text.mid(1) : text;
    const qsizetype colon = body.indexOf(u':');
    require(colon >= 2 && colon == body.size() - 3, "not hh:mm", text);
    for (qsizetype i = 0; i < body.size(); ++i)
        require(i == colon || (body[i] >= u'0' && body[i] <= u'9'), "not hh:mm", text);
    const qint64 hours = body.left(colon).toLongLong();
    const qint64 minutes = body.mid(colon + 1).toLongLong();
    require(minutes <= 59, "minutes past 59", text);
    require(colon == 2 || body[0] != u'0', "hours padded past two digits", text);

    const double rounded = std::nearbyint(number);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max())) {
        require(text == QLatin1String("00:00"), "a number beyond 32 bits not shown as 00:00",
                text + QLatin1String(" for ") + shown(number));
        return;
    }
    const qint64 seconds = qint64(rounded);
    const qint64 magnitude = seconds < 0 ? -seconds : seconds;
    require(negative == (seconds < 0) && hours * 60 + minutes == magnitude / 60,
            "text does not show the number's whole minutes", text + QLatin1String(" for ") + shown(number));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const double number = leadingNumber(reply);
    const QString text = boardTimeText(reply);
    checkText(text, number);

    // What follows a carriage return is never read.
    const qsizetype cr = reply.indexOf('\r');
    if (cr >= 0) {
        const QByteArrayView before = reply.first(cr);
        require(same(leadingNumber(before), number) && boardTimeText(before) == text,
                "bytes after a CR changed the result", text);
    }

    // A blank, tab or line feed anywhere changes nothing.
    if (size > 0) {
        const qsizetype at = data[0] % (size + 1);
        const char blank = " \t\n"[data[size - 1] % 3];
        const QByteArray spread = reply.first(at).toByteArray() + blank + reply.sliced(at).toByteArray();
        require(same(leadingNumber(spread), number), "a blank changed the number",
                shown(leadingNumber(spread)) + QLatin1String(" vs ") + shown(number));
    }

    // A sign in front of an unsigned number gives the number or its negative.
    qsizetype first = 0;
    while (first < reply.size() && (reply[first] == ' ' || reply[first] == '\t' || reply[first] == '\n'))
        ++first;
    if (first < reply.size() && ((reply[first] >= '0' && reply[first] <= '9') || reply[first] == '.')) {
        const QByteArray body = reply.toByteArray();
        require(same(leadingNumber('-' + body), -number) && same(leadingNumber('+' + body), number),
                "a sign in front does not negate the number", shown(number));
    }
    return 0;
}
