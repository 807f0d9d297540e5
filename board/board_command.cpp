// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board_command.h"

#include "board/board_clock.h"
#include "board/known_boards.h"
#include "board/port_prompt.h"
#include "board/serial_link.h"
#include "board/wire_format.h"
#include "schedule/clock_source.h"
#include "schedule_file/schedule_file.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace {
// "+0.004", "-1.234"
QString signedSeconds(double s)
{
    return (s >= 0 ? QStringLiteral("+") : QString()) + QString::number(s, 'f', 3);
}
const QStringList commandWords{"status", "get-time", "set-time", "send", "get", "flash"};

// avrdude's bounds: a 32 KiB image takes about 12 s at 57600 baud; what it
// says is kept to its last 16 KiB.
constexpr std::chrono::seconds avrdudeTimeBound{120};
constexpr qsizetype avrdudeOutputBound = 16 * 1024;

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString outcomeText(const BoardLink::Result &r)
{
    using Outcome = BoardLink::Outcome;
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

// A store line's letter + DW_HALF_SLOTS digits 0/1, as the board answers
// the queries for the halves.
const QRegularExpression halfRule(QStringLiteral("^[%1%2][01]{%3}$")
                                      .arg(QChar(DW_CMD_STORE_A)).arg(QChar(DW_CMD_STORE_B)).arg(DW_HALF_SLOTS));
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
            r.portGiven = true;
        } else if (w == QLatin1String("--now")) {
            r.now = true;
        } else if (w == QLatin1String("--bootloader") || w.startsWith(QLatin1String("--bootloader="))) {
            r.bootloader = w == QLatin1String("--bootloader") ? words.value(++i) : w.mid(13);
            if (r.bootloader != QLatin1String("optiboot") && r.bootloader != QLatin1String("atmegaboot"))
                return {std::nullopt, QStringLiteral("--bootloader takes optiboot (Uno) or atmegaboot (old Nano)")};
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
    if (r.now && r.command != BoardRequest::Command::SetTime && r.command != BoardRequest::Command::Flash)
        return {std::nullopt, QStringLiteral("--now goes with set-time and flash only")};
    if (!r.bootloader.isEmpty() && r.command != BoardRequest::Command::Flash)
        return {std::nullopt, QStringLiteral("--bootloader goes with flash only")};
    parsed.request = r;
    return parsed;
}

FlashPort chooseFlashPort(const std::optional<PortAlias> &alias10, const QList<PresentPort> &present)
{
    if (alias10)
        return {alias10->device, {}};
    QStringList usbDevices;
    for (const PresentPort &p : present)
        if (isUsbSerial(p.systemLocation))
            usbDevices << p.systemLocation;
    if (usbDevices.size() == 1)
        return {usbDevices.first(), {}};
    if (usbDevices.isEmpty())
        return {{}, QStringLiteral("no USB serial device is attached: plug the board in, or name it with --port")};
    return {{}, QStringLiteral("several USB serial devices (%1): name the board with --port").arg(usbDevices.join(u", "))};
}

BoardCommand::BoardCommand(BoardRequest r, Sink o, Sink e, QObject *parent)
    : QObject(parent), request(std::move(r)), out(std::move(o)), err(std::move(e))
{
    avrdudeBound.setSingleShot(true);
    connect(&avrdudeBound, &QTimer::timeout, this, [this] {
        avrdude.kill();
        fail(exitBoardFailed, QStringLiteral("avrdude gave no result within %1 s").arg(avrdudeTimeBound.count()));
    });
    avrdude.setProcessChannelMode(QProcess::MergedChannels);
    connect(&avrdude, &QProcess::readyRead, this, [this] {
        avrdudeOutput += avrdude.readAll();
        if (avrdudeOutput.size() > avrdudeOutputBound)
            avrdudeOutput.remove(0, avrdudeOutput.size() - avrdudeOutputBound);
    });
    connect(&avrdude, &QProcess::finished, this, &BoardCommand::avrdudeEnded);
    connect(&avrdude, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            fail(exitBoardFailed, QStringLiteral("avrdude did not start: ") + avrdude.errorString());
    });
    minuteStart.setSingleShot(true);
    minuteStart.setTimerType(Qt::PreciseTimer);
    connect(&minuteStart, &QTimer::timeout, this, &BoardCommand::setTimeNow);
    connect(&engine, &BoardLink::finished, this, &BoardCommand::exchangeFinished);
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
        const QList<QByteArray> lines = dayLines(day);
        sentA = lines[0];
        sentB = lines[1];
    }
    if (request.command == BoardRequest::Command::Flash)
        flash();
    else if (request.device.isEmpty())
        engine.connectTo(request.port);
    else
        engine.connectToDevice(request.device);
}

void BoardCommand::exchangeFinished(const BoardLink::Result &result)
{
    if (done)
        return;
    if (!result.ok()) {
        fail(exitBoardFailed, outcomeText(result));
        return;
    }
    if (result.exchange == BoardLink::Exchange::Connect) {
        setsToTheMs = boardSetsToTheMs(result.reply);
        if (request.command == BoardRequest::Command::Flash) {
            const QString greeting = QString::fromLatin1(withoutLineEnd(result.reply).left(80));
            if (!isBoardGreeting(result.reply)) {
                fail(exitBoardFailed, QStringLiteral("written, but the board greets as something else: ") + greeting);
                return;
            }
            out(QStringLiteral("the board greets: %1\n").arg(greeting).toLocal8Bit());
        }
        connected();
        return;
    }
    if (result.exchange == BoardLink::Exchange::Send)
        return;
    // A refused line is answered by one DW_ERROR_PREFIX line, which may come
    // only after the next question was asked: it is no answer to that
    // question, whose answer follows it.
    if (result.reply.startsWith(DW_ERROR_PREFIX) && refusals.size() < 2 && request.command != BoardRequest::Command::Status) {
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
    case Command::SetTime:
    case Command::Flash:
        if (setsToTheMs) {
            preciseSetAnswered(result);
            return;
        }
        [[fallthrough]];
    case Command::GetTime: {
        const std::optional<qint32> seconds = boardSeconds(result.reply);
        if (!seconds) {
            fail(exitBoardFailed, QStringLiteral("the answer to \"%1\" is no time: %2")
                                      .arg(QString(QChar(DW_CMD_GET_TIME)), QString::fromLatin1(withoutLineEnd(result.reply))));
            return;
        }
        QString line = timeOfDayText(*seconds);
        if (request.command != Command::GetTime) {
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
            engine.ask(queryMessage(DW_CMD_GET_B));
        else if (replies.size() == 2)
            checkReadBack();
        else if (replies.size() == 3)   // the status, asked after a half was not stored
            failNotStored(withoutLineEnd(result.reply));
        return;
    case Command::Get:
        if (replies.size() == 1)
            engine.ask(queryMessage(DW_CMD_GET_B));
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
        engine.ask(queryMessage(DW_CMD_STATUS));
        break;
    case Command::GetTime:
        engine.ask(queryMessage(DW_CMD_GET_TIME));
        break;
    case Command::SetTime:
    case Command::Flash:
        // Its time before the set, then the set to the ms at once.
        if (setsToTheMs)
            engine.ask(queryMessage(DW_CMD_GET_PRECISE));
        // The board sets the seconds to 0: send when a minute begins.
        else if (request.now)
            setTimeNow();
        else
            minuteStart.start(untilNextMinute(ClockSource::now().time()));
        break;
    case Command::Send:
        engine.send({sentA, sentB});
        engine.ask(queryMessage(DW_CMD_GET_A));   // then e, once f is answered
        break;
    case Command::Get:
        engine.ask(queryMessage(DW_CMD_GET_A));
        break;
    }
}

void BoardCommand::setTimeNow()
{
    engine.send({timeMessage(ClockSource::now().time().toString(QStringLiteral("hh:mm")))});
    engine.ask(queryMessage(DW_CMD_GET_TIME));
}

void BoardCommand::preciseSetAnswered(const BoardLink::Result &answer)
{
    QTime host;
    const double offset = preciseOffset(answer.reply, ClockSource::now().time(), &host);
    if (replies.size() == 1) {
        offsetBefore = offset;
        engine.send([] { return preciseTimeLines(ClockSource::now()); });
        engine.ask(queryMessage(DW_CMD_GET_PRECISE));
        return;
    }
    const PreciseReading reading = readPrecise(answer.reply);
    const QTime board = QTime::fromMSecsSinceStartOfDay(qRound(reading.seconds * 1000) % 86400000);
    out(QStringLiteral("%1 (%2 s from the host's %3); was %4 s off; trim %5 ppm\n")
            .arg(board.toString(QStringLiteral("hh:mm:ss.zzz")), signedSeconds(offset),
                 host.toString(QStringLiteral("hh:mm:ss.zzz")), signedSeconds(offsetBefore))
            .arg(QString::asprintf("%+d", reading.trimPpm))
            .toLatin1());
    done = true;
    emit finished(exitDone);
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
    engine.ask(queryMessage(DW_CMD_STATUS));
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
        if (!halfRule.match(QString::fromLatin1(line)).hasMatch() || line[0] != DW_CMD_STORE_A + half) {
            fail(exitBoardFailed, QStringLiteral("the answer to \"%1\" is no pattern half: %2")
                                      .arg(QChar::fromLatin1(half ? DW_CMD_GET_B : DW_CMD_GET_A),
                                           QString::fromLatin1(line.left(80))));
            return;
        }
        for (int i = 0; i < int(DW_HALF_SLOTS); ++i)
            day.set(half * int(DW_HALF_SLOTS) + i, qint16(line[1 + i] - '0'));
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

void BoardCommand::flash()
{
    if (request.device.isEmpty() && request.portGiven) {
        request.device = portDeviceName(request.port);
        if (request.device.isEmpty()) {
            fail(exitBoardFailed, QStringLiteral("port %1 names no device").arg(request.port));
            return;
        }
    } else if (request.device.isEmpty()) {
        const FlashPort chosen = chooseFlashPort(portAlias(defaultPort), presentPorts());
        if (chosen.device.isEmpty()) {
            fail(exitBoardFailed, chosen.error);
            return;
        }
        request.device = chosen.device;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("avrdude")).isEmpty()) {
        fail(exitBoardFailed, QStringLiteral("avrdude is not installed (on Debian and Ubuntu: sudo apt-get install avrdude)"));
        return;
    }
    if (!QFileInfo(request.firmware).isFile()) {
        fail(exitBoardFailed, QStringLiteral("the firmware to write is missing: ") + request.firmware);
        return;
    }
    // Checked without opening: opening resets the board.
    if (::access(QFile::encodeName(request.device).constData(), R_OK | W_OK) != 0) {
        PortFailure failure;
        failure.cause = errno == EACCES ? PortFailure::Cause::PermissionDenied : PortFailure::Cause::NotFound;
        failure.device = request.device;
        failure.byPath = true;
        fail(exitBoardFailed, portFailureText(failure).replace(u'\n', u' '));
        return;
    }
    // The Uno's Optiboot first, then the old Nano bootloader.
    speeds = request.bootloader == QLatin1String("atmegaboot") ? QList<int>{57600}
           : request.bootloader == QLatin1String("optiboot")   ? QList<int>{115200}
                                                                : QList<int>{115200, 57600};
    out(QStringLiteral("writing %1 to %2 with avrdude\n").arg(request.firmware, request.device).toLocal8Bit());
    runAvrdude();
}

void BoardCommand::runAvrdude()
{
    avrdudeOutput.clear();
    flashTime.start();
    avrdudeBound.start(avrdudeTimeBound);
    // -c arduino resets the board (DTR) and talks to its bootloader; the
    // written image is read back and compared. Three tries per speed: a
    // bootloader at another speed never answers.
    avrdude.start(QStringLiteral("avrdude"),
                  {QStringLiteral("-p"), QStringLiteral("atmega328p"), QStringLiteral("-c"), QStringLiteral("arduino"),
                   QStringLiteral("-P"), request.device, QStringLiteral("-b"), QString::number(speeds.first()),
                   QStringLiteral("-x"), QStringLiteral("attempts=3"),
                   QStringLiteral("-U"), QStringLiteral("flash:w:%1:i").arg(request.firmware)});
}

void BoardCommand::avrdudeEnded()
{
    avrdudeBound.stop();
    if (done)
        return;
    avrdudeOutput += avrdude.readAll();
    const int baud = speeds.takeFirst();
    if (avrdude.exitStatus() == QProcess::NormalExit && avrdude.exitCode() == 0) {
        out(QStringLiteral("written and verified in %1 s at %2 baud\n")
                .arg(flashTime.elapsed() / 1000.0, 0, 'f', 1).arg(baud).toLocal8Bit());
        engine.connectToDevice(request.device);
        return;
    }
    const bool noAnswer = avrdudeOutput.contains("not in sync") || avrdudeOutput.contains("not responding");
    if (noAnswer && !speeds.isEmpty()) {
        runAvrdude();
        return;
    }
    if (noAnswer) {
        fail(exitBoardFailed, request.bootloader.isEmpty()
                 ? QStringLiteral("no bootloader answered at 115200 or 57600 baud: is it an Uno or Nano, "
                                  "and does another program hold the port?")
                 : QStringLiteral("no bootloader answered at %1 baud (--bootloader %2): try without --bootloader")
                       .arg(baud).arg(request.bootloader));
        return;
    }
    // avrdude's own last error line, cut short
    QByteArray why = "avrdude ended with status " + QByteArray::number(avrdude.exitCode());
    for (const QByteArray &line : avrdudeOutput.split('\n'))
        if (line.contains("avrdude error"))
            why = line.trimmed().left(160);
    fail(exitBoardFailed, QStringLiteral("writing failed: ") + QString::fromLocal8Bit(why));
}
