// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ctl/ctl_request.h"

#include "board/port_prompt.h"
#include "protocol/daywheel_protocol.h"

namespace {
const QStringList commandWords{"status", "get-time", "set-time", "send", "get", "flash", "place", "away", "light"};
const QString portOption = QStringLiteral("port");
const QString nowOption = QStringLiteral("now");
const QString bootloaderOption = QStringLiteral("bootloader");
const QString forOption = QStringLiteral("for");
const QString heldOption = QStringLiteral("held");
// Marks an argument such as "-33.87" as a value before the parser, which
// would take it for options, sees it.
const QChar valueMark(0x1);

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
    "  place [LAT LON]    print the board's place (\"52.50 13.37\", or \"no place\"),\n"
    "                     or set it: decimal degrees, north and east positive,\n"
    "                     south and west negative (place -33.87 151.21); the\n"
    "                     board needs it for \"only while it is dark\"\n"
    "  away N [FIRST LAST]\n"
    "                     move every edge of the program each day by up to N\n"
    "                     minutes (1-60), from FIRST to LAST (yyyy-mm-dd, both\n"
    "                     included) or until 'away off'\n"
    "  light on|off|auto [--for DURATION | --held]\n"
    "                     switch the light by hand until the automatic light\n"
    "                     next changes, for DURATION (90m, 2h, 1h30m) or held\n"
    "                     until 'light auto'; prints what is now in force\n"
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
    parser.addOption({forOption, QStringLiteral("With light: for that long (90m, 2h, 1h30m)."), QStringLiteral("DURATION")});
    parser.addOption({heldOption, QStringLiteral("With light: until 'light auto'.")});
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QStringLiteral("status, get-time, set-time, send FILE, get [FILE], flash, place [LAT LON], "
                                                "away N [FIRST LAST] | off, light on|off|auto"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
}

std::optional<CtlRequest> CtlArguments::parse(const QStringList &arguments)
{
    failure.clear();
    const auto refuse = [this](const QString &why) {
        failure = why;
        return std::nullopt;
    };
    QStringList marked = arguments;
    for (qsizetype i = 1; i < marked.size(); ++i)
        if (marked[i].size() > 1 && marked[i][0] == u'-' && marked[i][1].isDigit())
            marked[i].prepend(valueMark);
    if (!parser.parse(marked))
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
    QStringList rest = parser.positionalArguments();
    for (QString &word : rest)
        if (word.startsWith(valueMark))
            word.remove(0, 1);
    if (rest.isEmpty())
        return refuse(QStringLiteral("no command given"));
    const qsizetype command = commandWords.indexOf(rest.first());
    if (command < 0)
        return refuse(QStringLiteral("unknown command %1").arg(rest.first()));
    r.command = CtlRequest::Command(command);
    using Command = CtlRequest::Command;
    const bool takesFile = r.command == Command::Send || r.command == Command::Get;
    const qsizetype most = takesFile ? 1 : r.command == Command::Place ? 2 : r.command == Command::Away ? 3
                                                                         : r.command == Command::Light ? 1 : 0;
    if (rest.size() - 1 > most)
        return refuse(QStringLiteral("%1: too many arguments").arg(rest.first()));
    if ((parser.isSet(forOption) || parser.isSet(heldOption)) && r.command != Command::Light)
        return refuse(QStringLiteral("--for and --held go with light only"));
    if (const QString why = readSettingArguments(rest, r); !why.isEmpty())
        return refuse(why);
    r.file = rest.value(1);
    if (r.command == CtlRequest::Command::Send && r.file.isEmpty())
        return refuse(QStringLiteral("send: which file?"));
    if (r.now && r.command != CtlRequest::Command::SetTime && r.command != CtlRequest::Command::Flash)
        return refuse(QStringLiteral("--now goes with set-time and flash only"));
    if (!r.bootloader.isEmpty() && r.command != CtlRequest::Command::Flash)
        return refuse(QStringLiteral("--bootloader goes with flash only"));
    return r;
}

QString CtlArguments::readSettingArguments(const QStringList &rest, CtlRequest &r) const
{
    using Command = CtlRequest::Command;
    if (r.command == Command::Place && rest.size() != 1) {
        r.place = rest.size() == 3 ? parsePlace(rest[1].toLatin1(), rest[2].toLatin1()) : std::nullopt;
        if (!r.place)
            return QStringLiteral("place takes a latitude (-90 to 90) and a longitude (-180 to 180) in decimal degrees, "
                                  "north and east positive: place 52.50 13.37");
    }
    if (r.command == Command::Away) {
        if (rest.value(1) == u"off" && rest.size() == 2)
            return {};
        bool number = false;
        AwaySetting away;
        away.minutes = rest.value(1).toInt(&number);
        if (rest.size() == 3 || !number || away.minutes < 1 || away.minutes > AwaySetting::maxMinutes)
            return QStringLiteral("away takes the minutes (1 to 60) and may go on with the first and last day "
                                  "(yyyy-mm-dd), or off");
        if (rest.size() == 4) {
            away.first = QDate::fromString(rest[2], Qt::ISODate);
            away.last = QDate::fromString(rest[3], Qt::ISODate);
            if (!away.first->isValid() || !away.last->isValid() || *away.first > *away.last
                || away.first->year() < 2000 || away.last->year() > 2099)
                return QStringLiteral("away: the first and last day are dates yyyy-mm-dd of 2000-2099, the first not "
                                      "after the last");
        }
        r.away = away;
    }
    if (r.command == Command::Light) {
        static const QStringList states{"on", "off", "auto"};
        const qsizetype state = states.indexOf(rest.value(1));
        if (state < 0)
            return QStringLiteral("light takes on, off or auto");
        r.light.state = LightRequest::State(state);
        r.light.held = parser.isSet(heldOption);
        if (parser.isSet(forOption)) {
            const std::optional<int> seconds = parseDuration(parser.value(forOption).toLatin1());
            if (!seconds)
                return QStringLiteral("--for takes a duration such as 90m, 2h or 1h30m, up to 168h");
            r.light.seconds = *seconds;
        }
        if (r.light.held && r.light.seconds)
            return QStringLiteral("--for and --held exclude each other");
        if (r.light.state == LightRequest::State::Auto && (r.light.held || r.light.seconds))
            return QStringLiteral("light auto takes neither --for nor --held");
    }
    return {};
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
