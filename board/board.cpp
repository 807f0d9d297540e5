// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board.h"

#include "board/board_clock.h"
#include "board/board_words.h"
#include "board/known_boards.h"
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

std::optional<QList<QByteArray>> Board::sendWeek(const Week &week)
{
    const int today = ClockSource::now().date().dayOfWeek();
    if (week.allSame()) {
        const QList<QByteArray> lines = sendDay(week.day(1));
        return lines.isEmpty() ? std::nullopt : std::optional(lines);
    }
    if (!weekly) {
        report(oneDayOnlyAnswer(Operation::SendDay));
        return QList<QByteArray>{};
    }
    const QList<QByteArray> lines = weekLines(week);
    int sentAsOff = 0;
    for (int weekday = 1; weekday <= Week::days; ++weekday)
        sentAsOff += slotsSentAsOff(week.day(weekday));
    if (!enqueue({Operation::SendDay, 1, sentAsOff}, [&] { return engine->send(lines); }))
        return std::nullopt;
    return lines.mid(2 * (today - 1), 2);
}

Board::Answer Board::oneDayOnlyAnswer(Operation op) const
{
    Answer a;
    a.operation = op;
    a.oneDayOnly = true;
    return a;
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

void Board::storeDay(const DayTable &day)
{
    composite = {};
    composite.sentAsOff = slotsSentAsOff(day);
    storeLines(dayLines(day), {queryMessage(DW_CMD_GET_A), queryMessage(DW_CMD_GET_B)});
}

void Board::storeWeek(const Week &week)
{
    if (week.allSame()) {
        storeDay(week.day(1));
        return;
    }
    if (!weekly) {
        report(oneDayOnlyAnswer(Operation::StoreDay));
        return;
    }
    composite = {};
    QList<QByteArray> asks;
    for (int weekday = 1; weekday <= Week::days; ++weekday) {
        composite.sentAsOff += slotsSentAsOff(week.day(weekday));
        asks << dayHalfQuery(weekday, 0) << dayHalfQuery(weekday, 1);
    }
    composite.wholeWeek = true;
    storeLines(weekLines(week), asks);
}

// Sends the lines, then asks each question in turn (stage k asks the k-th)
// and compares its answer with the k-th line.
void Board::storeLines(QList<QByteArray> lines, QList<QByteArray> readBack)
{
    refusals.clear();
    composite.operation = Operation::StoreDay;
    composite.sent = std::move(lines);
    queries = std::move(readBack);
    halves.clear();
    enqueue({Operation::StoreDay, 0}, [&] { return engine->send(composite.sent); });
    askNext(Operation::StoreDay, 1);
}

void Board::askNext(Operation op, int stage)
{
    enqueue({op, stage}, [&] { return engine->ask(queries.at(stage - 1)); });
}

void Board::readDay()
{
    composite = {};
    composite.operation = Operation::ReadDay;
    queries.clear();
    halves.clear();
    for (int weekday = 1; weekday <= (weekly ? Week::days : 1); ++weekday)
        for (int half = 0; half < 2; ++half)
            queries << (weekly ? dayHalfQuery(weekday, half) : queryMessage(half ? DW_CMD_GET_B : DW_CMD_GET_A));
    askNext(Operation::ReadDay, 1);
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
        refusals << withoutLineEnd(result.reply);
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
    case Operation::SendDay: {
        Answer sent = answerFrom(step.operation, result);
        sent.sentAsOff = step.sentAsOff;
        sent.wholeWeek = step.stage == 1;
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

// ReadDay: each half in turn, then all of them as the day or the week.
void Board::readStage(const Step &step, const BoardLink::Result &result)
{
    Answer &c = composite;
    halves << result;
    if (step.stage < queries.size()) {
        askNext(Operation::ReadDay, step.stage + 1);
        return;
    }
    DayTable day;
    for (int i = 0; i < halves.size(); ++i) {
        const int half = i % 2, weekday = i / 2 + 1;
        const std::optional<DayHalf> values = weekly ? readDayHalf(halves[i].reply, weekday, half)
                                                     : readHalf(halves[i].reply, half);
        if (!values) {
            c.noValue = true;
            c.line = halves[i].reply;
            c.asked = halves[i].request;
            break;
        }
        for (int k = 0; k < int(DW_HALF_SLOTS); ++k)
            day.set(half * int(DW_HALF_SLOTS) + k, (*values)[std::size_t(k)]);
        if (half == 1 && weekly)
            c.week.day(weekday) = day;
        else if (half == 1)
            c.week.setEveryDay(day);
    }
    c.day = c.week.day(ClockSource::now().date().dayOfWeek());
    if (!c.noValue && c.week == Week() && isDaywheel()) {
        enqueue({Operation::ReadDay, int(queries.size()) + 1}, [&] { return engine->ask(queryMessage(DW_CMD_STATUS)); });
        return;
    }
    report(c);
}

void Board::storeStage(const Step &step, const BoardLink::Result &result)
{
    Answer &c = composite;
    if (step.stage > queries.size()) {   // the status, asked after a half was not stored
        c.boardSays = withoutLineEnd(result.reply);
        report(c);
        return;
    }
    halves << result;
    if (step.stage < queries.size()) {
        askNext(Operation::StoreDay, step.stage + 1);
        return;
    }
    QList<bool> stored;
    for (int i = 0; i < halves.size(); ++i) {
        c.readBack << withoutLineEnd(halves[i].reply);
        stored << (c.readBack.last() == withoutLineEnd(c.sent.value(i)));
    }
    if (!stored.contains(false)) {
        report(c);
        return;
    }
    c.notStored = notStoredWords(stored);
    if (!refusals.isEmpty()) {
        c.boardSays = refusals.join("; ");
        report(c);
        return;
    }
    // The status names what the board refused and why.
    enqueue({Operation::StoreDay, int(queries.size()) + 1}, [&] { return engine->ask(queryMessage(DW_CMD_STATUS)); });
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
    enqueue({Operation::SetTime}, [&] { return engine->send([this] {
        const QList<QByteArray> lines = timeLinesNow();
        emit notice(timeNotSetNotice(ClockSource::now().time().toString(QStringLiteral("hh:mm"))));
        return lines;
    }); });
}
