// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board_words.h"

#include "board/reply_collector.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("BoardWords", text);
}
}

QString tooLongNotice(bool greeting)
{
    // Whole sentences, so a translation can bend its words to each.
    return (greeting ? tr("The greeting was too long (no line end within %1 bytes); the rest was thrown away.")
                     : tr("The answer was too long (no line end within %1 bytes); the rest was thrown away."))
        .arg(ReplyCollector::defaultBound);
}

QString linkFailedNotice(const QString &portWords)
{
    return tr("The serial link failed: %1").arg(portWords);
}

QString settlingNotice()
{
    return tr("Waiting for the board to fall quiet before the next question.");
}

QString queueFullNotice()
{
    return tr("%1 requests already wait for the board: clicks are not taken until it has answered some of them.")
        .arg(BoardLink::queueBound);
}

QString clockOffNotice(double offset, bool changesMissing)
{
    return (changesMissing ? tr("The board's clock was %1 s off and knew no coming change of summer time: set it.")
                           : tr("The board's clock was %1 s off: set it."))
        .arg(offset, 0, 'f', 3);
}

QString timeNotSetNotice(const QString &hhmm)
{
    return tr("The board said its time was not set: sent the time, %1.").arg(hhmm);
}

QString failureNotice(const Board::Answer &answer)
{
    using Outcome = BoardLink::Outcome;
    switch (answer.outcome) {
    case Outcome::TimedOut: return tr("The board did not answer.");
    case Outcome::TooLong: return tooLongNotice(answer.operation == Board::Operation::Connect);
    case Outcome::ReadFailed: return tr("Could not read from the board: %1").arg(answer.error);
    case Outcome::SendFailed: return tr("Could not send to the board: %1").arg(answer.error);
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
    if (!a.notStored.isEmpty())
        return QStringLiteral("%1 not stored; the board says: %2").arg(a.notStored, QString::fromLatin1(a.boardSays));
    if (a.noValue && a.operation == Board::Operation::ReadDay)
        return QStringLiteral("the answer to \"%1\" is no pattern half: %2").arg(asked, QString::fromLatin1(a.text().left(80)));
    if (a.noValue)
        return QStringLiteral("the answer to \"%1\" is no time: %2").arg(asked, QString::fromLatin1(a.text()));
    return {};
}

QString notStoredWords(bool aStored, bool bStored)
{
    return !aStored && !bStored ? QStringLiteral("parts a and b")
         : !aStored             ? QStringLiteral("part a")
                                : QStringLiteral("part b");
}
