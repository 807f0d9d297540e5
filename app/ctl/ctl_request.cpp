// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ctl/ctl_request.h"

#include "board/port_prompt.h"
#include "protocol/daywheel_protocol.h"

namespace {
const QStringList commandWords{"status", "get-time", "set-time", "send", "get", "flash"};
const QString portOption = QStringLiteral("port");
const QString nowOption = QStringLiteral("now");
const QString bootloaderOption = QStringLiteral("bootloader");

const char *const description =
    "Reaches the Daywheel light controller board from the command line.\n"
    "\n"
    "Commands:\n"
    "  status             print the board's status line\n"
    "  get-time           print the board's time as hh:mm:ss\n"
    "  set-time [--now]   set the board's clock: at once and to the ms when its\n"
    "                     greeting ends in \"" DW_GREETING_PRECISE "\" (with the date\n"
    "                     and the coming summer time changes), and print its\n"
    "                     time, its offset from the host, how far off it was\n"
    "                     and the trim it learned; an older board at the start\n"
    "                     of the next minute\n"
    "                     (so the seconds are right), or at once with --now,\n"
    "                     then read back with the offset from the host\n"
    "  send FILE          send the schedule in FILE (a day file or a week\n"
    "                     file), each quarter hour as the dial draws it (1 on,\n"
    "                     any other value off), then read it back and compare;\n"
    "                     a week whose days differ goes only to a board that\n"
    "                     keeps a week\n"
    "  get [FILE]         read the board's program back and write it to FILE,\n"
    "                     or to standard output: a day file when every day is\n"
    "                     the same, else a week file; says on standard error\n"
    "                     when the board never stored a day\n"
    "  flash [--bootloader optiboot|atmegaboot] [--now]\n"
    "                     write the board firmware that came with Daywheel to\n"
    "                     the board with avrdude (which reads it back to\n"
    "                     verify), wait for its greeting and set its clock as\n"
    "                     set-time does. Without --port: the alias com10 if\n"
    "                     there is one, else the lone USB serial device, even\n"
    "                     one no Daywheel board greeted on yet.\n"
    "                     It tries the Uno's bootloader (Optiboot, 115200\n"
    "                     baud), then the old Nano's (57600), or the one named.\n"
    "\n"
    "A new board, the first hour: plug the Uno or Nano in by USB, run\n"
    "'daywheel-ctl flash', then start daywheel and press Send. A port that may\n"
    "not be opened means joining the dialout group:\n"
    "'sudo usermod -aG dialout $USER', then log in again.\n"
    "\n"
    "Exit status: 0 done; 1 the board failed (no port, no greeting, no answer\n"
    "in time, a refused line, a read-back that differs); 2 a usage or file error.";
}

QString commandWord(CtlRequest::Command command)
{
    return commandWords.value(int(command));
}

CtlArguments::CtlArguments()
{
    parser.setApplicationDescription(QString::fromLatin1(description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({portOption,
                      QStringLiteral("Port number as the controller window takes it (10 by default, a lone "
                                     "USB serial device or the alias com10), or a device path."),
                      QStringLiteral("N|DEVICE")});
    parser.addOption({nowOption, QStringLiteral("With set-time and flash: set the clock at once.")});
    parser.addOption({bootloaderOption,
                      QStringLiteral("With flash: the board's bootloader, optiboot (Uno) or atmegaboot (old Nano)."),
                      QStringLiteral("NAME")});
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("status, get-time, set-time, send FILE, get [FILE] or flash"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
}

std::optional<CtlRequest> CtlArguments::parse(const QStringList &arguments)
{
    failure.clear();
    const auto refuse = [this](const QString &why) {
        failure = why;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    if (helpAsked() || versionAsked())
        return std::nullopt;
    CtlRequest r;
    if (parser.isSet(portOption)) {
        const QString value = parser.value(portOption);
        if (value.isEmpty())
            return refuse(QStringLiteral("--port needs a port number or a device"));
        if (const std::optional<qint16> n = parsePortAnswer(value))
            r.port = *n;
        else if (value.startsWith(u'/'))
            r.device = value;
        else
            return refuse(QStringLiteral("--port %1: not a port number or a device path").arg(value));
        r.portGiven = true;
    }
    r.now = parser.isSet(nowOption);
    if (parser.isSet(bootloaderOption)) {
        r.bootloader = parser.value(bootloaderOption);
        if (r.bootloader != QLatin1String("optiboot") && r.bootloader != QLatin1String("atmegaboot"))
            return refuse(QStringLiteral("--bootloader takes optiboot (Uno) or atmegaboot (old Nano)"));
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty())
        return refuse(QStringLiteral("no command given"));
    const qsizetype command = commandWords.indexOf(rest.first());
    if (command < 0)
        return refuse(QStringLiteral("unknown command %1").arg(rest.first()));
    r.command = CtlRequest::Command(command);
    const bool takesFile = r.command == CtlRequest::Command::Send || r.command == CtlRequest::Command::Get;
    if (rest.size() - 1 > (takesFile ? 1 : 0))
        return refuse(QStringLiteral("%1: too many arguments").arg(rest.first()));
    r.file = rest.value(1);
    if (r.command == CtlRequest::Command::Send && r.file.isEmpty())
        return refuse(QStringLiteral("send: which file?"));
    if (r.now && r.command != CtlRequest::Command::SetTime && r.command != CtlRequest::Command::Flash)
        return refuse(QStringLiteral("--now goes with set-time and flash only"));
    if (!r.bootloader.isEmpty() && r.command != CtlRequest::Command::Flash)
        return refuse(QStringLiteral("--bootloader goes with flash only"));
    return r;
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
