// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ctl/ctl_command.h"

#include "board/board_clock.h"
#include "board/board_words.h"
#include "board/port_failure.h"
#include "board/serial_link.h"
#include "schedule_file/schedule_file.h"
#include "schedule_file/zone_place.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimeZone>
#include <cerrno>
#include <unistd.h>

namespace {
// "+0.004", "-1.234"
QString signedSeconds(double s)
{
    return (s >= 0 ? QStringLiteral("+") : QString()) + QString::number(s, 'f', 3);
}
}

CtlCommand::CtlCommand(CtlRequest r, Sink o, Sink e, QObject *parent)
    : QObject(parent), request(std::move(r)), out(std::move(o)), err(std::move(e)), flasher(out)
{
    // Only a status shows whatever the board says; elsewhere a refusal is
    // no answer to the question asked.
    // A refused light line is answered by its refusal alone.
    target.setSetAsideRefusals(request.command != CtlRequest::Command::Status
                               && request.command != CtlRequest::Command::Light);
    if (request.command == CtlRequest::Command::SetTime || request.command == CtlRequest::Command::Flash)
        target.setPlaceForClockSet(zonePlace(QTimeZone::systemTimeZoneId()));
    connect(&target, &Board::answered, this, &CtlCommand::answered);
    connect(&flasher, &Flasher::written, this, [this] { target.connectToDevice(request.device); });
    connect(&flasher, &Flasher::failed, this, [this](const QString &why) { fail(exitBoardFailed, why); });
}

QString CtlCommand::portName() const
{
    if (!request.device.isEmpty())
        return request.device;
    const QString device = target.link()->serialLink()->deviceName();
    return device.isEmpty() ? QStringLiteral("port %1").arg(request.port)
                            : QStringLiteral("port %1 (%2)").arg(request.port).arg(device);
}

void CtlCommand::fail(int status, const QString &what)
{
    if (done)
        return;
    done = true;
    target.dropWaiting();
    err(QStringLiteral("daywheel-ctl: %1: %2: %3\n").arg(portName(), commandWord(request.command), what).toLocal8Bit());
    emit finished(status);
}

void CtlCommand::succeed(const QByteArray &printed)
{
    out(printed);
    done = true;
    emit finished(exitDone);
}

void CtlCommand::start()
{
    if (request.command == CtlRequest::Command::Send) {
        // The file is read whole before the port is touched: a file the
        // program would refuse sends nothing.
        const FileResult loaded = loadWeek(request.file, week);
        if (!loaded.ok()) {
            fail(exitUsage, loaded.message);
            return;
        }
    }
    if (request.command == CtlRequest::Command::Flash)
        flash();
    else if (request.device.isEmpty())
        target.connectTo(request.port);
    else
        target.connectToDevice(request.device);
}

void CtlCommand::answered(const Board::Answer &answer)
{
    if (done)
        return;
    if (!answer.ok()) {
        fail(exitBoardFailed, failureLine(answer));
        return;
    }
    using Operation = Board::Operation;
    switch (answer.operation) {
    case Operation::Connect:
        greeted(answer);
        return;
    case Operation::ReadStatus:
        succeed(answer.text() + '\n');
        return;
    case Operation::ReadTime:
        succeed(timeOfDayText(*answer.seconds).toLatin1() + '\n');
        return;
    case Operation::SetTimeAndReadBack:
        printTimeSet(answer);
        return;
    case Operation::StoreDay:
        if (answer.sentAsOff)
            err(sentAsOffLine(answer.sentAsOff).toLocal8Bit() + '\n');
        if (answer.settingsLeftOut)
            err("this board does not know the dark, the place or away: it got the program alone\n");
        succeed("sent and read back: " + answer.readBack.join(' ') + '\n');
        return;
    case Operation::ReadDay:
        writeWeek(answer.week, answer.neverStored);
        return;
    case Operation::Setting:
        settingAnswered(answer);
        return;
    default:
        return;
    }
}

void CtlCommand::greeted(const Board::Answer &greeting)
{
    using Command = CtlRequest::Command;
    if (request.command == Command::Flash) {
        const QString words = QString::fromLatin1(greeting.text().left(80));
        if (!target.isDaywheel()) {
            fail(exitBoardFailed, QStringLiteral("written, but the board greets as something else: ") + words);
            return;
        }
        out(QStringLiteral("the board greets: %1\n").arg(words).toLocal8Bit());
    }
    switch (request.command) {
    case Command::Status: target.read(Board::Operation::ReadStatus); break;
    case Command::GetTime: target.read(Board::Operation::ReadTime); break;
    case Command::SetTime:
    case Command::Flash: target.setTimeAndReadBack(request.now); break;
    case Command::Send: target.storeWeek(week); break;
    case Command::Get: target.readDay(); break;
    case Command::Place:
    case Command::Away:
    case Command::Light: askSetting(); break;
    }
}

void CtlCommand::askSetting()
{
    if (!target.knowsSun()) {
        fail(exitBoardFailed, QStringLiteral("this board does not know the place, the dark, away or the light by hand: "
                                             "daywheel-ctl flash writes the firmware that does"));
        return;
    }
    using Command = CtlRequest::Command;
    if (request.command == Command::Light)
        target.setAndRead(lightLine(request.light));
    else if (request.command == Command::Away)
        target.setAndRead(awayLine(request.away), queryMessage(DW_CMD_AWAY));
    else if (request.place)
        target.setAndRead(placeLine(request.place), queryMessage(DW_CMD_PLACE));
    else
        target.setAndRead(queryMessage(DW_CMD_PLACE));
}

// What the board holds now, as it answered; a set it did not take fails.
void CtlCommand::settingAnswered(const Board::Answer &a)
{
    using Command = CtlRequest::Command;
    const QByteArray text = a.text();
    if (request.command == Command::Light) {
        if (!text.startsWith("light "))
            fail(exitBoardFailed, QStringLiteral("the board answered: ") + QString::fromLatin1(text.left(80)));
        else
            succeed(text + '\n');
        return;
    }
    const QByteArray sent = request.command == Command::Away ? awayLine(request.away)
                            : request.place                  ? placeLine(request.place)
                                                             : QByteArray();
    if (!sent.isEmpty() && text != withoutLineEnd(sent)) {
        fail(exitBoardFailed, QStringLiteral("the board kept %1%2").arg(QString::fromLatin1(text.left(80)),
                                                                        a.boardSays.isEmpty() ? QString()
                                                                        : QStringLiteral(" (") + QString::fromLatin1(a.boardSays) + u')'));
        return;
    }
    if (request.command == Command::Away) {
        succeed(text == "v0" ? QByteArray("away off\n") : "away " + text.mid(1) + '\n');
        return;
    }
    const std::optional<std::optional<Place>> place = readPlace(text);
    if (!place)
        fail(exitBoardFailed, QStringLiteral("the board answered: ") + QString::fromLatin1(text.left(80)));
    else
        succeed(*place ? placeText(**place) + '\n' : QByteArray("no place\n"));
}

void CtlCommand::printTimeSet(const Board::Answer &a)
{
    const QString hostTime = a.hostAtRead.toString(QStringLiteral("hh:mm:ss.zzz"));
    if (!target.setsToTheMs()) {
        succeed((timeOfDayText(*a.seconds)
                 + QStringLiteral(" (%1 s from the host's %2)").arg(a.offset, 0, 'f', 1).arg(hostTime))
                    .toLatin1() + '\n');
        return;
    }
    const QTime board = QTime::fromMSecsSinceStartOfDay(qRound(a.precise.seconds * 1000) % 86400000);
    succeed(QStringLiteral("%1 (%2 s from the host's %3); was %4 s off; trim %5 ppm\n")
                .arg(board.toString(QStringLiteral("hh:mm:ss.zzz")), signedSeconds(a.offset), hostTime,
                     signedSeconds(a.offsetBefore))
                .arg(QString::asprintf("%+d", a.precise.trimPpm))
                .toLatin1());
}

void CtlCommand::writeWeek(const Week &held, bool neverStored)
{
    if (neverStored)
        err("the board has never stored a day: it answers 0 for every quarter hour\n");
    if (request.file.isEmpty()) {
        succeed(held.allSame() ? scheduleFileBytes(held.day(1)) : weekFileBytes(held));
        return;
    }
    const FileResult saved = saveWeek(request.file, held);
    if (!saved.ok()) {
        fail(exitUsage, saved.message);
        return;
    }
    succeed({});
}

void CtlCommand::flash()
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
    flasher.start(request.device, request.firmware, request.bootloader);
}
