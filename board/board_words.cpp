// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board_words.h"

#include "board/reply_collector.h"
#include "board/setting_lines.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {
// The context lupdate files these sentences under.
struct BoardWords
{
    Q_DECLARE_TR_FUNCTIONS(BoardWords)
};
}

QString tooLongNotice(bool greeting)
{
    // Whole sentences, so a translation can bend its words to each.
    return (greeting ? BoardWords::tr("The greeting was too long (no line end within %1 bytes); the rest was thrown away.")
                     : BoardWords::tr("The answer was too long (no line end within %1 bytes); the rest was thrown away."))
        .arg(ReplyCollector::defaultBound);
}

QString linkFailedNotice(const QString &portWords)
{
    return BoardWords::tr("The serial link failed: %1").arg(portWords);
}

QString settlingNotice()
{
    return BoardWords::tr("Waiting for the board to fall quiet before the next question.");
}

QString queueFullNotice()
{
    return BoardWords::tr("%1 requests already wait for the board: clicks are not taken until it has answered some of them.")
        .arg(BoardLink::queueBound);
}

QString restartedNotice(const QString &greeting)
{
    return BoardWords::tr("The board started again: %1").arg(greeting);
}

QString refusedNotice()
{
    return BoardWords::tr("The board refused a line it was sent (its words above) and keeps what it held before.");
}

QString offsetText(double s)
{
    const QString sign = s < 0 ? QStringLiteral("-") : QString();
    const qint64 ms = qRound64(std::abs(s) * 1000);
    const QString seconds = QLocale().toString((ms % 60000) / 1000.0, 'f', 3);
    if (ms < 60000)
        return sign + BoardWords::tr("%1 s").arg(seconds);
    if (ms < 3600000)
        return sign + BoardWords::tr("%1 min %2 s").arg(ms / 60000).arg(seconds);
    return sign + BoardWords::tr("%1 h %2 min %3 s").arg(ms / 3600000).arg(ms / 60000 % 60).arg(seconds);
}

QString clockOffNotice(double offset, bool changesMissing)
{
    return (changesMissing ? BoardWords::tr("The board's clock was %1 off and knew no coming change of summer time: set it.")
                           : BoardWords::tr("The board's clock was %1 off: set it."))
        .arg(offsetText(offset));
}

QString sentTimeNotice(const QDateTime &at, bool toTheMs)
{
    return BoardWords::tr("Sent the time, %1.").arg(at.time().toString(toTheMs ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm")));
}

QString sentDayNotice(int sentAsOff, bool week)
{
    if (sentAsOff == 0)
        return week ? BoardWords::tr("Sent the week.") : BoardWords::tr("Sent the day.");
    if (week)
        return sentAsOff == 1
                   ? BoardWords::tr("Sent the week; 1 quarter hour held a value other than 0 or 1 and went as off, as the "
                                    "dial shows it.")
                   : BoardWords::tr("Sent the week; %1 quarter hours held a value other than 0 or 1 and went as off, as "
                                    "the dial shows them.").arg(sentAsOff);
    return sentAsOff == 1
               ? BoardWords::tr("Sent the day; 1 quarter hour held a value other than 0 or 1 and went as off, as the dial shows it.")
               : BoardWords::tr("Sent the day; %1 quarter hours held a value other than 0 or 1 and went as off, as the dial shows "
                    "them.").arg(sentAsOff);
}

QString oneDayOnlyNotice()
{
    return BoardWords::tr("Sent nothing: the days differ, and this board keeps one day only. daywheel-ctl flash writes "
                          "the firmware that keeps a week.");
}

QString settingsLeftOutNotice()
{
    return BoardWords::tr("This board does not know the dark, the place or away: it got the program alone. "
                          "daywheel-ctl flash writes the firmware that knows them.");
}

QString givenPlaceNotice(const Place &place)
{
    return BoardWords::tr("The board held no place: gave it %1.").arg(QString::fromLatin1(placeText(place)));
}

QString sentAsOffLine(int sentAsOff)
{
    return QStringLiteral("%1 quarter hour%2 held a value other than 0 or 1 and went as off")
        .arg(sentAsOff).arg(sentAsOff == 1 ? "" : "s");
}

QString timeNotSetNotice(const QString &hhmm)
{
    return BoardWords::tr("The board said its time was not set: sent the time, %1.").arg(hhmm);
}

QString failureNotice(const Board::Answer &answer)
{
    using Outcome = BoardLink::Outcome;
    switch (answer.outcome) {
    case Outcome::TimedOut: return BoardWords::tr("The board did not answer.");
    case Outcome::TooLong: return tooLongNotice(answer.operation == Board::Operation::Connect);
    case Outcome::ReadFailed: return BoardWords::tr("Could not read from the board: %1").arg(answer.error);
    case Outcome::SendFailed: return BoardWords::tr("Could not send to the board: %1").arg(answer.error);
    case Outcome::OpenFailed: return portFailureText(answer.failure);
    case Outcome::Done: break;
    }
    return {};
}

QString failureLine(const Board::Answer &a)
{
    using Outcome = BoardLink::Outcome;
    const QString asked = QString::fromLatin1(withoutLineEnd(a.asked));
    switch (a.outcome) {
    case Outcome::TimedOut: return QStringLiteral("no answer to \"%1\" in time").arg(asked);
    case Outcome::TooLong: return QStringLiteral("the answer had no line end within %1 bytes").arg(ReplyCollector::defaultBound);
    case Outcome::ReadFailed: return QStringLiteral("could not read from the board: ") + a.error;
    case Outcome::SendFailed: return QStringLiteral("could not send to the board: ") + a.error;
    case Outcome::OpenFailed: return portFailureText(a.failure).replace(u'\n', u' ');
    case Outcome::Done: break;
    }
    if (a.oneDayOnly)
        return QStringLiteral("this board keeps one day only");
    if (!a.notStored.isEmpty())
        return QStringLiteral("%1 not stored; the board says: %2").arg(a.notStored, QString::fromLatin1(a.boardSays));
    if (a.noValue && a.operation == Board::Operation::ReadDay)
        return QStringLiteral("the answer to \"%1\" is no pattern half: %2").arg(asked, QString::fromLatin1(a.text().left(80)));
    if (a.noValue)
        return QStringLiteral("the answer to \"%1\" is no time: %2").arg(asked, QString::fromLatin1(a.text()));
    return {};
}

QString notStoredWords(const QList<bool> &stored)
{
    if (stored.size() == 2)
        return !stored[0] && !stored[1] ? QStringLiteral("parts a and b")
             : !stored[0]               ? QStringLiteral("part a")
                                        : QStringLiteral("part b");
    static const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    QStringList halves;
    for (int i = 0; i < stored.size() && i < 14; ++i)
        if (!stored[i])
            halves << QStringLiteral("%1 part %2").arg(QLatin1String(days[i / 2])).arg(i % 2 ? u'b' : u'a');
    return halves.join(QStringLiteral(", "));
}
