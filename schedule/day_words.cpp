// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/day_words.h"

#include "schedule/number_format.h"

#include <QCoreApplication>
#include <QStringList>

namespace {
constexpr int quarters = 96;

// Quarter hour q (0..95) starts q x 15 minutes after midnight.
bool onAt(const DayTable &day, int q)
{
    return day.isOn(q == quarters - 1 ? 0 : q + 1);
}

QString timeAt(int boundary)
{
    return boundary == quarters ? QStringLiteral("24:00") : boundaryLabelText(boundary);
}
}

QString dayInWords(const DayTable &day)
{
    int first = -1;   // the first quarter hour that begins a run
    int lit = 0;
    for (int q = 0; q < quarters; ++q) {
        if (!onAt(day, q))
            continue;
        ++lit;
        if (first < 0 && !onAt(day, (q + quarters - 1) % quarters))
            first = q;
    }
    if (lit == 0)
        return QCoreApplication::translate("DayWords", "off all day");
    if (lit == quarters)
        return QCoreApplication::translate("DayWords", "on all day");

    // From a run's start once round the day, so a run through midnight stays whole.
    QStringList runs;
    for (int step = 0; step < quarters; ++step) {
        const int q = (first + step) % quarters;
        if (!onAt(day, q) || onAt(day, (q + quarters - 1) % quarters))
            continue;
        int end = q + 1;
        while (onAt(day, end % quarters))
            ++end;
        // A run that ends at midnight says 24:00; one that goes on past it, the hour it ends.
        runs << timeAt(q) + u'-' + timeAt(end > quarters ? end - quarters : end);
    }
    return QCoreApplication::translate("DayWords", "on %1").arg(runs.join(QStringLiteral(", ")));
}
