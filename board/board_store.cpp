// SPDX-License-Identifier: GPL-3.0-or-later
// The board's stores and reads of the day or the week: the lines, the
// questions that read them back, and their answers as values.
#include "board/board.h"

#include "board/board_words.h"
#include "board/setting_lines.h"
#include "schedule/clock_source.h"

std::optional<QList<QByteArray>> Board::sendWeek(const Week &week)
{
    const bool same = week.allSame();
    if (!same && !weekly) {
        report(oneDayOnlyAnswer(Operation::SendDay));
        return QList<QByteArray>{};
    }
    QList<QByteArray> lines = same ? dayLines(week.day(1)) : weekLines(week);
    int sentAsOff = 0;
    for (int weekday = 1; weekday <= (same ? 1 : Week::days); ++weekday)
        sentAsOff += slotsSentAsOff(week.day(weekday));
    const int today = ClockSource::now().date().dayOfWeek();
    const QList<QByteArray> todays = same ? lines : lines.mid(2 * (today - 1), 2);
    // The settings go to a board that knows them; an older one keeps the
    // program alone, and the answer says what it left out.
    const Step step{Operation::SendDay, same ? 0 : 1, sentAsOff, !sunny && !week.settings.empty()};
    if (sunny)
        lines += settingLines(week.settings);
    if (!enqueue(step, [&] { return engine->send(lines); }))
        return std::nullopt;
    return todays;
}

Board::Answer Board::oneDayOnlyAnswer(Operation op) const
{
    Answer a;
    a.operation = op;
    a.oneDayOnly = true;
    return a;
}

void Board::storeWeek(const Week &week)
{
    const bool same = week.allSame();
    if (!same && !weekly) {
        report(oneDayOnlyAnswer(Operation::StoreDay));
        return;
    }
    composite = {};
    QList<QByteArray> lines = same ? dayLines(week.day(1)) : weekLines(week);
    QList<QByteArray> asks;
    for (int weekday = 1; weekday <= (same ? 1 : Week::days); ++weekday) {
        composite.sentAsOff += slotsSentAsOff(week.day(weekday));
        asks << (same ? queryMessage(DW_CMD_GET_A) : dayHalfQuery(weekday, 0))
             << (same ? queryMessage(DW_CMD_GET_B) : dayHalfQuery(weekday, 1));
    }
    composite.wholeWeek = !same;
    if (sunny) {
        lines += settingLines(week.settings);
        asks += settingQuestions(week.settings);
    }
    composite.settingsLeftOut = !sunny && !week.settings.empty();
    storeLines(lines, asks);
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
    QStringList settingsNot;   // after the halves: the setting lines, each read back as it went
    const int halfCount = c.wholeWeek ? 2 * Week::days : 2;
    for (int i = 0; i < halves.size(); ++i) {
        c.readBack << withoutLineEnd(halves[i].reply);
        const QByteArray sent = withoutLineEnd(c.sent.value(i));
        if (i < halfCount)
            stored << (c.readBack.last() == sent);
        else if (c.readBack.last() != sent)
            settingsNot << QString::fromLatin1(sent);
    }
    if (!stored.contains(false) && settingsNot.isEmpty()) {
        report(c);
        return;
    }
    if (stored.contains(false))
        settingsNot.prepend(notStoredWords(stored));
    c.notStored = settingsNot.join(QStringLiteral(", "));
    if (!refusals.isEmpty()) {
        c.boardSays = refusals.join("; ");
        report(c);
        return;
    }
    // The status names what the board refused and why.
    enqueue({Operation::StoreDay, int(queries.size()) + 1}, [&] { return engine->ask(queryMessage(DW_CMD_STATUS)); });
}
