// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller/board_command.h"

#include "controller/board_clock.h"
#include "controller/port_prompt.h"
#include "controller/serial_link.h"
#include "controller/wire_format.h"
#include "dial/clock_source.h"
#include "schedule_file/schedule_file.h"

#include <QRegularExpression>
#include <cmath>

namespace {
const QStringList commandWords{"status", "get-time", "set-time", "send", "get"};

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString outcomeText(const ControllerLink::Result &r)
{
    using Outcome = ControllerLink::Outcome;
    switch (r.outcome) {
    case Outcome::TimedOut: return QStringLiteral("no answer to \"%1\" in time").arg(QString::fromLatin1(withoutLineEnd(r.request)));
    case Outcome::TooLong: return QStringLiteral("the answer had no line end within %1 bytes").arg(ReplyCollector::defaultBound);
    case Outcome::ReadFailed: return QStringLiteral("could not read from the board: ") + r.error;
    case Outcome::SendFailed: return QStringLiteral("could not send to the board: ") + r.error;
    case Outcome::OpenFailed: return portFailureText(r.failure).replace(u'\n', u' ');
    case Outcome::Done: break;
    }
    return {};
}

// "a" + 48 digits 0/1, as the board answers f and e.
const QRegularExpression halfRule(QStringLiteral("^[ab][01]{48}$"));
}

ParsedRequest parseBoardRequest(const QStringList &words)
{
    ParsedRequest parsed;
    BoardRequest r;
    QStringList rest;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &w = words[i];
        if (w == QLatin1String("--port") || w.startsWith(QLatin1String("--port="))) {
            const QString value = w == QLatin1String("--port") ? words.value(++i) : w.mid(7);
            if (value.isEmpty())
                return {std::nullopt, QStringLiteral("--port needs a port number or a device")};
            if (const std::optional<qint16> n = parsePortAnswer(value))
                r.port = *n, r.device.clear();
            else if (value.startsWith(u'/'))
                r.device = value;
            else
                return {std::nullopt, QStringLiteral("--port %1: not a port number or a device path").arg(value)};
        } else if (w == QLatin1String("--now")) {
            r.now = true;
        } else if (w.startsWith(QLatin1String("--"))) {
            return {std::nullopt, QStringLiteral("unknown option %1").arg(w)};
        } else {
            rest << w;
        }
    }
    if (rest.isEmpty())
        return {std::nullopt, QStringLiteral("no command given")};
    const qsizetype command = commandWords.indexOf(rest.first());
    if (command < 0)
        return {std::nullopt, QStringLiteral("unknown command %1").arg(rest.first())};
    r.command = BoardRequest::Command(command);
    const qsizetype maxArgs = r.command == BoardRequest::Command::Send || r.command == BoardRequest::Command::Get ? 1 : 0;
    if (rest.size() - 1 > maxArgs)
        return {std::nullopt, QStringLiteral("%1: too many arguments").arg(rest.first())};
    r.file = rest.value(1);
    if (r.command == BoardRequest::Command::Send && r.file.isEmpty())
        return {std::nullopt, QStringLiteral("send: which file?")};
    if (r.now && r.command != BoardRequest::Command::SetTime)
        return {std::nullopt, QStringLiteral("--now goes with set-time only")};
    parsed.request = r;
    return parsed;
}

BoardCommand::BoardCommand(BoardRequest r, Sink o, Sink e, QObject *parent)
    : QObject(parent), request(std::move(r)), out(std::move(o)), err(std::move(e))
{
    minuteStart.setSingleShot(true);
    minuteStart.setTimerType(Qt::PreciseTimer);
    connect(&minuteStart, &QTimer::timeout, this, &BoardCommand::setTimeNow);
    connect(&engine, &ControllerLink::finished, this, &BoardCommand::exchangeFinished);
}

QString BoardCommand::portName() const
{
    if (!request.device.isEmpty())
        return request.device;
    const QString device = engine.serialLink()->deviceName();
    return device.isEmpty() ? QStringLiteral("port %1").arg(request.port)
                            : QStringLiteral("port %1 (%2)").arg(request.port).arg(device);
}

QString BoardCommand::commandName() const
{
    return commandWords.value(int(request.command));
}

void BoardCommand::fail(int status, const QString &what)
{
    if (done)
        return;
    done = true;
    engine.dropWaiting();
    err(QStringLiteral("daywheel-ctl: %1: %2: %3\n").arg(portName(), commandName(), what).toLocal8Bit());
    emit finished(status);
}

void BoardCommand::start()
{
    if (request.command == BoardRequest::Command::Send) {
        // The file is read whole before the port is touched: a file the
        // program would refuse sends nothing.
        DayTable day;
        const FileResult loaded = loadSchedule(request.file, day);
        if (!loaded.ok()) {
            fail(exitUsage, loaded.message);
            return;
        }
        sentA = programLine('a', day, 0);
        sentB = programLine('b', day, 48);
    }
    if (request.device.isEmpty())
        engine.connectTo(request.port);
    else
        engine.connectToDevice(request.device);
}

void BoardCommand::exchangeFinished(const ControllerLink::Result &result)
{
    if (done)
        return;
    if (!result.ok()) {
        fail(exitBoardFailed, outcomeText(result));
        return;
    }
    if (result.kind == ControllerLink::Kind::Connect) {
        connected();
        return;
    }
    if (result.kind == ControllerLink::Kind::Send)
        return;
    // A refused line is answered by one "error: ..." line, which may come
    // only after the next question was asked: it is no answer to that
    // question, whose answer follows it.
    if (result.reply.startsWith("error:") && refusals.size() < 2 && request.command != BoardRequest::Command::Status) {
        refusals << withoutLineEnd(result.reply);
        engine.listen();
        return;
    }
    replies << result;
    using Command = BoardRequest::Command;
    switch (request.command) {
    case Command::Status:
        out(withoutLineEnd(result.reply) + '\n');
        done = true;
        emit finished(exitDone);
        return;
    case Command::GetTime:
    case Command::SetTime: {
        const std::optional<qint32> seconds = boardSeconds(result.reply);
        if (!seconds) {
            fail(exitBoardFailed, QStringLiteral("the answer to \"z\" is no time: ")
                                      + QString::fromLatin1(withoutLineEnd(result.reply)));
            return;
        }
        QString line = clockText(*seconds);
        if (request.command == Command::SetTime) {
            const QTime host = ClockSource::now().time();
            const double offset = *seconds - host.msecsSinceStartOfDay() / 1000.0;
            line += QStringLiteral(" (%1 s from the host's %2)")
                        .arg(offset, 0, 'f', 1)
                        .arg(host.toString(QStringLiteral("hh:mm:ss.zzz")));
        }
        out(line.toLatin1() + '\n');
        done = true;
        emit finished(exitDone);
        return;
    }
    case Command::Send:
        if (replies.size() == 1)
            engine.ask(queryMessage('e'));
        else if (replies.size() == 2)
            checkReadBack();
        else if (replies.size() == 3)   // the status, asked after a half was not stored
            failNotStored(withoutLineEnd(result.reply));
        return;
    case Command::Get:
        if (replies.size() == 1)
            engine.ask(queryMessage('e'));
        else if (replies.size() == 2)
            writeDay();
        return;
    }
}

void BoardCommand::connected()
{
    using Command = BoardRequest::Command;
    switch (request.command) {
    case Command::Status:
        engine.ask(queryMessage('s'));
        break;
    case Command::GetTime:
        engine.ask(queryMessage('z'));
        break;
    case Command::SetTime:
        // The board sets the seconds to 0: send when a minute begins.
        if (request.now)
            setTimeNow();
        else
            minuteStart.start(untilNextMinute(ClockSource::now().time()) + std::chrono::milliseconds(20));
        break;
    case Command::Send:
        engine.send({sentA, sentB});
        engine.ask(queryMessage('f'));   // then e, once f is answered
        break;
    case Command::Get:
        engine.ask(queryMessage('f'));
        break;
    }
}

void BoardCommand::setTimeNow()
{
    engine.send({timeMessage(ClockSource::now().time().toString(QStringLiteral("hh:mm")))});
    engine.ask(queryMessage('z'));
}

void BoardCommand::checkReadBack()
{
    const QByteArray gotA = withoutLineEnd(replies[0].reply);
    const QByteArray gotB = withoutLineEnd(replies[1].reply);
    const bool aStored = gotA == withoutLineEnd(sentA);
    const bool bStored = gotB == withoutLineEnd(sentB);
    if (aStored && bStored) {
        out("sent and read back: " + gotA + ' ' + gotB + '\n');
        done = true;
        emit finished(exitDone);
        return;
    }
    const QString halves = !aStored && !bStored ? QStringLiteral("parts a and b")
                         : !aStored             ? QStringLiteral("part a")
                                                : QStringLiteral("part b");
    failedHalves = halves;
    if (!refusals.isEmpty()) {
        failNotStored(refusals.join("; "));
        return;
    }
    // The status names what the board refused and why.
    engine.ask(queryMessage('s'));
}

void BoardCommand::failNotStored(const QByteArray &boardSays)
{
    fail(exitBoardFailed, QStringLiteral("%1 not stored; the board says: %2")
                              .arg(failedHalves, QString::fromLatin1(boardSays)));
}

void BoardCommand::writeDay()
{
    DayTable day;
    for (int half = 0; half < 2; ++half) {
        const QByteArray line = withoutLineEnd(replies[half].reply);
        if (!halfRule.match(QString::fromLatin1(line)).hasMatch() || line[0] != "ab"[half]) {
            fail(exitBoardFailed, QStringLiteral("the answer to \"%1\" is no pattern half: %2")
                                      .arg(QChar::fromLatin1("fe"[half]), QString::fromLatin1(line.left(80))));
            return;
        }
        for (int i = 0; i < 48; ++i)
            day.set(half * 48 + i, qint16(line[1 + i] - '0'));
    }
    if (request.file.isEmpty()) {
        out(scheduleFileBytes(day));
    } else {
        const FileResult saved = saveSchedule(request.file, day);
        if (!saved.ok()) {
            fail(exitUsage, saved.message);
            return;
        }
    }
    done = true;
    emit finished(exitDone);
}
