// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board.h"

#include "board/board_clock.h"
#include "board/board_words.h"
#include "board/known_boards.h"
#include "board/setting_lines.h"
#include "schedule/clock_source.h"

#include <QPointer>
#include <cmath>

namespace {
char queryLetter(Board::Operation op)
{
    switch (op) {
    case Board::Operation::ReadTime: return DW_CMD_GET_TIME;
    case Board::Operation::ReadHalfA: return DW_CMD_GET_A;
    case Board::Operation::ReadHalfB: return DW_CMD_GET_B;
    default: return DW_CMD_STATUS;
    }
}
}

QByteArray Board::Answer::text() const
{
    return withoutLineEnd(line);
}

Board::Board(QObject *parent) : QObject(parent), engine(new BoardLink(this))
{
    for (QTimer *t : {&autoSet, &minuteStart}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&autoSet, &QTimer::timeout, this, &Board::setClockNow);
    connect(&minuteStart, &QTimer::timeout, this, &Board::setOlderBoardAndRead);
    connect(engine, &BoardLink::finished, this, &Board::exchangeFinished);
    connect(engine, &BoardLink::unasked, this, &Board::heard);
}

void Board::heard(const QByteArray &line, bool tooLong)
{
    Answer a;
    a.operation = Operation::Unasked;
    a.outcome = tooLong ? BoardLink::Outcome::TooLong : BoardLink::Outcome::Done;
    a.line = line;
    a.restarted = isBoardGreeting(line);
    a.refused = line.startsWith(DW_ERROR_PREFIX);
    // A store's refusal may come before the question that follows it.
    if (a.refused && setAsideRefusals && refusals.size() < 2)
        refusals << withoutLineEnd(line);
    report(a);
    if (a.restarted)
        greeted(line);
}

void Board::greeted(const QByteArray &line)
{
    greetingLine = line;
    toTheMs = boardSetsToTheMs(line);
    weekly = boardKeepsWeek(line);
    sunny = boardKnowsSun(line);
    if (!keepClock)
        return;
    noticeClockState(line);
    // A board that keeps its time to the ms is checked against the host's
    // once, in the background.
    if (toTheMs && !boardSaysTimeNotSet(line))
        enqueue({Operation::CheckClock}, [&] { return engine->ask(queryMessage(DW_CMD_GET_PRECISE)); });
}

bool Board::enqueue(Step step, const std::function<bool()> &exchange)
{
    // In its place first: the link may run the exchange, and report it,
    // before it returns.
    steps.push_back(step);
    if (exchange())
        return true;
    steps.pop_back();
    return false;
}

bool Board::connectTo(qint16 port)
{
    return enqueue({Operation::Connect}, [&] { return engine->connectTo(port); });
}

bool Board::connectToDevice(const QString &path)
{
    return enqueue({Operation::Connect}, [&] { return engine->connectToDevice(path); });
}

QList<QByteArray> Board::timeLinesNow(QDateTime *at)
{
    // Read when the line goes out, not when it was asked for: it may have
    // waited behind a slow question.
    const QDateTime now = ClockSource::now();
    if (at)
        *at = now;
    emit settingClock(now);
    return toTheMs ? preciseTimeLines(now) : QList<QByteArray>{timeMessage(now.time().toString(QStringLiteral("hh:mm")))};
}

bool Board::setTime()
{
    givePlaceIfNone();
    return enqueue({Operation::SetTime}, [&] { return engine->send([this] {
        // The board needs no other setting then.
        autoSet.stop();
        QDateTime at;
        const QList<QByteArray> lines = timeLinesNow(&at);
        emit notice(sentTimeNotice(at, toTheMs));
        return lines;
    }); });
}

QList<QByteArray> Board::sendDay(const DayTable &day)
{
    const QList<QByteArray> lines = dayLines(day);
    return enqueue({Operation::SendDay, 0, slotsSentAsOff(day)}, [&] { return engine->send(lines); }) ? lines
                                                                                                    : QList<QByteArray>{};
}

bool Board::read(Operation what)
{
    return enqueue({what}, [&] { return engine->ask(queryMessage(queryLetter(what))); });
}

bool Board::nextLine()
{
    return enqueue({Operation::NextLine}, [&] { return engine->listen(); });
}

void Board::setTimeAndReadBack(bool now)
{
    givePlaceIfNone();
    composite = {};
    composite.operation = Operation::SetTimeAndReadBack;
    // A board to the ms: its time before the set, then the set at once.
    if (toTheMs)
        enqueue({Operation::SetTimeAndReadBack, 0}, [&] { return engine->ask(queryMessage(DW_CMD_GET_PRECISE)); });
    // An older board sets the seconds to 0: send when a minute begins.
    else if (now)
        setOlderBoardAndRead();
    else
        minuteStart.start(untilNextMinute(ClockSource::now().time()));
}

void Board::setOlderBoardAndRead()
{
    enqueue({Operation::SetTimeAndReadBack, 1}, [&] { return engine->send({timeMessage(ClockSource::now().time().toString(QStringLiteral("hh:mm")))}); });
    enqueue({Operation::SetTimeAndReadBack, 2}, [&] { return engine->ask(queryMessage(DW_CMD_GET_TIME)); });
}

bool Board::setAndRead(const QByteArray &line, const QByteArray &question)
{
    refusals.clear();
    if (question.isEmpty())
        return enqueue({Operation::Setting, 1}, [&] { return engine->ask(line); });
    return enqueue({Operation::Setting, 0}, [&] { return engine->send({line}); })
           && enqueue({Operation::Setting, 1}, [&] { return engine->ask(question); });
}

// Asked before the set goes out; the place follows only when the board
// answers that it holds none.
void Board::givePlaceIfNone()
{
    if (sunny && placeForClockSet)
        enqueue({Operation::GivePlace, 0}, [&] { return engine->ask(queryMessage(DW_CMD_PLACE)); });
}

bool Board::isDaywheel() const
{
    return isBoardGreeting(greetingLine);
}

void Board::dropWaiting()
{
    engine->dropWaiting();
    minuteStart.stop();
    while (steps.size() > (engine->isIdle() ? 0U : 1U))
        steps.pop_back();
}

void Board::release()
{
    autoSet.stop();
    minuteStart.stop();
    steps.clear();
    engine->release();
}

Board::Answer Board::answerFrom(Operation op, const BoardLink::Result &result) const
{
    Answer a;
    a.operation = op;
    a.outcome = result.outcome;
    a.line = result.reply;
    a.asked = result.request;
    a.error = result.error;
    a.failure = result.failure;
    if (op == Operation::ReadTime && result.ok()) {
        a.seconds = boardSeconds(result.reply);
        a.noValue = !a.seconds;
        a.hhmm = boardTimeText(result.reply);
    }
    return a;
}

void Board::report(Answer answer)
{
    emit answered(answer);
}

void Board::exchangeFinished(const BoardLink::Result &result)
{
    if (steps.empty())
        return;
    const Step step = steps.front();
    steps.pop_front();
    // A refused line is answered by one DW_ERROR_PREFIX line, which may come
    // only after the next question was asked: it is no answer to that
    // question, whose answer follows it.
    if (setAsideRefusals && result.ok() && result.exchange != BoardLink::Exchange::Send
        && result.exchange != BoardLink::Exchange::Connect && result.reply.startsWith(DW_ERROR_PREFIX)
        && refusals.size() < 2) {
        // The answer may have come in the same read, after the refusal.
        const qsizetype end = result.reply.indexOf('\n');
        refusals << withoutLineEnd(result.reply.left(end + 1));
        if (end >= 0 && end + 1 < result.reply.size()) {
            BoardLink::Result rest = result;
            rest.reply = result.reply.mid(end + 1);
            finishStep(step, rest);
            return;
        }
        enqueue(step, [&] { return engine->listen(); });
        return;
    }
    finishStep(step, result);
}

void Board::finishStep(Step step, const BoardLink::Result &result)
{
    switch (step.operation) {
    case Operation::Connect:
        if (result.ok())
            greeted(result.reply);
        report(answerFrom(step.operation, result));
        return;
    case Operation::CheckClock:
        checked(answerFrom(step.operation, result));
        return;
    case Operation::Setting:
        if (result.ok() && result.exchange == BoardLink::Exchange::Send)
            return;
        {
            Answer read = answerFrom(step.operation, result);
            read.boardSays = refusals.join("; ");
            report(read);
        }
        return;
    case Operation::GivePlace:
        if (result.ok() && step.stage == 0) {
            const std::optional<std::optional<Place>> held = readPlace(result.reply);
            if (held && !*held)   // the board holds none
                enqueue({Operation::GivePlace, 1}, [&] { return engine->send({placeLine(placeForClockSet)}); });
            return;
        }
        if (result.ok()) {
            Answer given = answerFrom(step.operation, result);
            given.place = placeForClockSet;
            report(given);
        } else {
            report(answerFrom(step.operation, result));
        }
        return;
    case Operation::SendDay: {
        Answer sent = answerFrom(step.operation, result);
        sent.sentAsOff = step.sentAsOff;
        sent.wholeWeek = step.stage == 1;
        sent.settingsLeftOut = step.settingsLeftOut;
        report(sent);
        return;
    }
    case Operation::SetTime:
    case Operation::ReadTime:
    case Operation::ReadHalfA:
    case Operation::ReadHalfB:
    case Operation::ReadStatus:
    case Operation::NextLine:
        if (keepClock && result.ok() && result.exchange != BoardLink::Exchange::Send)
            noticeClockState(result.reply);
        report(answerFrom(step.operation, result));
        return;
    case Operation::SetTimeAndReadBack:
    case Operation::StoreDay:
    case Operation::ReadDay:
        break;
    case Operation::Unasked:   // never a step
        return;
    }
    // The status after a day of zeros only tells whether one was ever stored.
    if (step.operation == Operation::ReadDay && step.stage > queries.size()) {
        composite.neverStored = result.ok() && result.reply.contains(DW_STATUS_PATTERN_NONE);
        report(composite);
        return;
    }
    // A composite: a failed exchange ends it.
    if (!result.ok()) {
        engine->dropWaiting();
        steps.clear();
        Answer failed = answerFrom(step.operation, result);
        failed.sent = composite.sent;
        report(failed);
        return;
    }
    if (result.exchange == BoardLink::Exchange::Send)
        return;
    const QTime now = ClockSource::now().time();
    Answer &c = composite;
    c.line = result.reply;
    c.asked = result.request;
    if (step.operation == Operation::SetTimeAndReadBack) {
        if (step.stage == 0) {
            c.offsetBefore = preciseOffset(result.reply, now);
            enqueue({Operation::SetTimeAndReadBack, 1}, [&] { return engine->send([] { return preciseTimeLines(ClockSource::now()); }); });
            enqueue({Operation::SetTimeAndReadBack, 2}, [&] { return engine->ask(queryMessage(DW_CMD_GET_PRECISE)); });
            return;
        }
        if (toTheMs) {
            c.precise = readPrecise(result.reply);
            c.offset = preciseOffset(result.reply, now, &c.hostAtRead);
        } else {
            c.seconds = boardSeconds(result.reply);
            c.noValue = !c.seconds;
            c.hostAtRead = now;
            if (c.seconds)
                c.offset = *c.seconds - now.msecsSinceStartOfDay() / 1000.0;
        }
        report(c);
        return;
    }
    if (step.operation == Operation::StoreDay) {
        storeStage(step, result);
        return;
    }
    readStage(step, result);
}

void Board::noticeClockState(const QByteArray &line)
{
    if (boardSaysTimeNotSet(line))
        setClockAtNextMinute();
}

void Board::checked(const Answer &answer)
{
    if (answer.outcome != BoardLink::Outcome::Done)
        return;
    const QDateTime now = ClockSource::now();
    const double offset = preciseOffset(answer.line, now.time());
    const bool changesMissing = readPrecise(answer.line).changes == 0 && offsetChangesWithinAYear(now);
    if (std::abs(offset) <= 1.0 && !changesMissing)
        return;
    emit notice(clockOffNotice(offset, changesMissing));
    givePlaceIfNone();
    enqueue({Operation::SetTime}, [&] { return engine->send([this] { return timeLinesNow(); }); });
}

void Board::setClockAtNextMinute()
{
    if (toTheMs) {
        autoSet.start(0);
        return;
    }
    autoSet.start(untilNextMinute(ClockSource::now().time()));
}

void Board::setClockNow()
{
    // DW_CMD_SET_TIME sets the seconds to 0, so it must go out as a minute
    // begins; behind a running exchange it would go out late, so it waits
    // for the next one. A set to the ms is made when it goes out, whenever
    // that is.
    if (!toTheMs && !engine->isIdle()) {
        setClockAtNextMinute();
        return;
    }
    givePlaceIfNone();
    enqueue({Operation::SetTime}, [&] { return engine->send([this] {
        const QList<QByteArray> lines = timeLinesNow();
        emit notice(timeNotSetNotice(ClockSource::now().time().toString(QStringLiteral("hh:mm"))));
        return lines;
    }); });
}
