// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/board_link.h"
#include "board/wire_format.h"
#include "schedule/day_table.h"
#include "schedule/week.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTime>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

// The board as its callers see it: operations, and their results as
// values. It takes the greeting and knows from it what the board can do,
// makes the lines for each operation, decodes every answer and decides about
// the board's clock. Callers (the controller window, daywheel-ctl) only
// present what it reports; the exchanges themselves run on its BoardLink.
class Board : public QObject
{
    Q_OBJECT
public:
    enum class Operation {
        Connect,       // open the port and take the greeting
        SetTime,       // set the clock now (to the ms when the board can)
        SendDay,       // store the day, nothing read
        ReadTime,      // the time of day, whole seconds
        ReadHalfA,     // the stored halves, as the board answers them
        ReadHalfB,
        ReadStatus,
        NextLine,      // the next line the board sends, nothing asked
        // Several exchanges, one result:
        SetTimeAndReadBack,   // set as soon as the set is right, then read the time back
        StoreDay,             // store the day, read both halves back and compare
        ReadDay,              // read both halves as a day
        CheckClock,           // the board's own check on opening (keepClock)
        Unasked,              // a line no question waited for (see BoardLink::unasked)
        Setting,              // a setting's line, then its question: what the board now holds
        GivePlace,            // with a set of the clock: the place, to a board that holds none
    };

    struct Answer
    {
        Operation operation = Operation::Connect;
        BoardLink::Outcome outcome = BoardLink::Outcome::Done;
        QByteArray line;        // what the board said, line end kept
        QByteArray asked;       // the line that asked, for the words about a failure
        QString error;          // the port's words for ReadFailed and SendFailed
        PortFailure failure;    // Connect: why it did not open
        // Values, by operation:
        std::optional<qint32> seconds;   // ReadTime; SetTimeAndReadBack on an older board
        PreciseReading precise;          // SetTimeAndReadBack on a board to the ms: after the set
        double offset = 0;               // the board's time less the host's, s
        double offsetBefore = 0;         // SetTimeAndReadBack to the ms: before the set
        QTime hostAtRead;                // the host's time the offset is taken against
        QString hhmm;                    // ReadTime: the time as hh:mm, as the window shows it
        QList<QByteArray> sent;          // StoreDay: the lines sent
        int sentAsOff = 0;               // SendDay, StoreDay: quarter hours of neither 0 nor 1, sent as off
        QByteArrayList readBack;         // StoreDay: the halves read back, line ends cut
        QString notStored;               // StoreDay: which halves the board did not keep
        QByteArray boardSays;            // StoreDay: its refusals, or its status
        DayTable day;                    // ReadDay: today's program
        Week week;                       // ReadDay: every day's (one day's board: that day, every day)
        bool wholeWeek = false;          // SendDay, StoreDay: each weekday's halves went
        bool oneDayOnly = false;         // SendDay, StoreDay: the days differ, the board keeps one: nothing sent
        bool neverStored = false;        // ReadDay: all zeros, and the board says it never stored a day
        bool noValue = false;            // ReadTime, ReadDay: the answer held no time or no half
        bool restarted = false;          // Unasked: a greeting, the board started again
        bool refused = false;            // Unasked: the board refused a line it was sent
        bool settingsLeftOut = false;    // SendDay, StoreDay: the week's dark, place and away did not go:
                                         // the board does not know them
        std::optional<Place> place;      // GivePlace: the place given
        QByteArray text() const;         // line without its line end
        bool ok() const { return outcome == BoardLink::Outcome::Done && !noValue && notStored.isEmpty() && !oneDayOnly; }
    };

    explicit Board(QObject *parent = nullptr);

    void setBounds(BoardLink::Bounds bounds) { engine->setBounds(bounds); }
    BoardLink *link() const { return engine; }

    // The window's road: check a board that keeps its time to the ms once
    // it greets, and set a board that says its time is not set.
    void setKeepClock(bool keep) { keepClock = keep; }
    // daywheel-ctl's road: a refusal (DW_ERROR_PREFIX) that comes as the
    // answer to a question is set aside and the question's answer read
    // after it (two at most).
    void setSetAsideRefusals(bool setAside) { setAsideRefusals = setAside; }

    // Each returns false when the board's queue is full and it was refused.
    bool connectTo(qint16 port);
    bool connectToDevice(const QString &path);
    bool setTime();
    // The lines that go out (to show them), or nothing when refused.
    QList<QByteArray> sendDay(const DayTable &day);
    // The week: as the day when every day is the same (the same bytes),
    // else each weekday's halves to a board that keeps a week, else nothing
    // (an Answer with oneDayOnly says so). Nothing when refused; else the
    // lines that went out for today's program, none when none went out.
    std::optional<QList<QByteArray>> sendWeek(const Week &week);
    bool read(Operation what);   // ReadTime, ReadHalfA, ReadHalfB, ReadStatus
    bool nextLine();
    // now: an older board is set at once, its seconds to 0; else it waits
    // for the next minute.
    void setTimeAndReadBack(bool now);
    void storeWeek(const Week &week);
    // Every day's program from a board that keeps a week, else the one day.
    void readDay();
    // A setting's line to a board that knows them (knowsSun), then its
    // question, whose answer (Operation::Setting) says what the board now
    // holds. A DW_CMD_LIGHT line is its own question.
    bool setAndRead(const QByteArray &line, const QByteArray &question = {});

    // The place a set of the clock gives a board that knows the dark and
    // holds no place (none: nothing is given). A set never overwrites a place
    // the board holds.
    void setPlaceForClockSet(const std::optional<Place> &place) { placeForClockSet = place; }

    // What the greeting said.
    bool setsToTheMs() const { return toTheMs; }
    bool keepsWeek() const { return weekly; }
    bool knowsSun() const { return sunny; }
    const QByteArray &greeting() const { return greetingLine; }
    bool isDaywheel() const;

    bool isIdle() const { return engine->isIdle() && !minuteStart.isActive(); }
    void dropWaiting();
    void close() { engine->close(); }
    void release();

signals:
    void answered(const Board::Answer &answer);
    // A set of the clock is going out now, at host time `at`.
    void settingClock(const QDateTime &at);
    // The board's clock decisions, in words for the user.
    void notice(const QString &text);

private:
    struct Step
    {
        Operation operation;
        int stage = 0;
        int sentAsOff = 0;   // SendDay
        bool settingsLeftOut = false;   // SendDay
    };
    bool enqueue(Step step, const std::function<bool()> &exchange);
    void exchangeFinished(const BoardLink::Result &result);
    void finishStep(Step step, const BoardLink::Result &result);
    void report(Answer answer);
    Answer answerFrom(Operation op, const BoardLink::Result &result) const;
    QList<QByteArray> timeLinesNow(QDateTime *at = nullptr);
    void noticeClockState(const QByteArray &line);
    void checked(const Answer &answer);
    void setClockAtNextMinute();
    void setClockNow();
    void setOlderBoardAndRead();
    void storeStage(const Step &step, const BoardLink::Result &result);
    void storeLines(QList<QByteArray> lines, QList<QByteArray> readBack);
    void readStage(const Step &step, const BoardLink::Result &result);
    void askNext(Operation op, int stage);
    Answer oneDayOnlyAnswer(Operation op) const;
    void heard(const QByteArray &line, bool tooLong);
    void greeted(const QByteArray &line);
    void givePlaceIfNone();

    BoardLink *engine;
    std::deque<Step> steps;   // one per exchange the link runs or holds, in its order
    bool keepClock = false;
    bool setAsideRefusals = false;
    bool toTheMs = false;
    bool weekly = false;
    bool sunny = false;
    std::optional<Place> placeForClockSet;
    QByteArray greetingLine;
    QByteArrayList refusals;
    Answer composite;           // the result a composite operation gathers
    QList<QByteArray> queries;     // its questions, one per half
    QList<BoardLink::Result> halves;   // their answers so far
    QTimer autoSet;             // sets a board that said its time is not set
    QTimer minuteStart;         // SetTimeAndReadBack on an older board
};
