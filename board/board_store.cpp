// SPDX-License-Identifier: GPL-3.0-or-later
// The board's stores and reads of the day or the week: the lines, the
// questions that read them back, and their answers as values.
#include "board/board.h"

#include "board/board_words.h"
#include "schedule/clock_source.h"

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
