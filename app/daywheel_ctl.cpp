// SPDX-License-Identifier: GPL-3.0-or-later
// daywheel-ctl: the board from scripts, without a display.
#include "board/board_command.h"
#include "protocol/daywheel_protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace {
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
    "  send FILE          send the schedule in FILE (a 97-line schedule file),\n"
    "                     then read both halves back and compare\n"
    "  get [FILE]         read both halves back and write them as a schedule\n"
    "                     file to FILE, or to standard output\n"
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

void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fflush(to);
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("daywheel-ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DAYWHEEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Port number as the controller window takes it (10 by default, a lone "
                                     "USB serial device or the alias com10), or a device path."),
                      QStringLiteral("N|DEVICE")});
    parser.addOption({QStringLiteral("now"), QStringLiteral("With set-time and flash: set the clock at once.")});
    parser.addOption({QStringLiteral("bootloader"),
                      QStringLiteral("With flash: the board's bootloader, optiboot (Uno) or atmegaboot (old Nano)."),
                      QStringLiteral("NAME")});
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("status, get-time, set-time, send FILE, get [FILE] or flash"));
    // Options and words are checked by parseBoardRequest, which scripts'
    // usage errors share with the tests.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    if (!parser.parse(QCoreApplication::arguments())) {
        write(stderr, ("daywheel-ctl: " + parser.errorText() + "\nTry 'daywheel-ctl --help'.\n").toLocal8Bit());
        return exitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // Named as typed in scripts, not by the path it was started from.
        QString help = parser.helpText();
        help.replace(QCoreApplication::arguments().constFirst(), QStringLiteral("daywheel-ctl"));
        write(stdout, help.toLocal8Bit());
        return exitDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        write(stdout, "daywheel-ctl " DAYWHEEL_VERSION "\n");
        return exitDone;
    }
    ParsedRequest parsed = parseBoardRequest(QCoreApplication::arguments().mid(1));
    if (!parsed.request) {
        write(stderr, ("daywheel-ctl: " + parsed.error + "\nTry 'daywheel-ctl --help'.\n").toLocal8Bit());
        return exitUsage;
    }
    // The firmware installed beside the program, else the one of this build.
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/" DAYWHEEL_INSTALLED_HEX);
    parsed.request->firmware = QFileInfo::exists(installed) ? installed : QStringLiteral(DAYWHEEL_BUILD_HEX);
    BoardCommand command(*parsed.request, [](const QByteArray &b) { write(stdout, b); },
                         [](const QByteArray &b) { write(stderr, b); });
    QObject::connect(&command, &BoardCommand::finished, &app, &QCoreApplication::exit);
    // From inside the event loop, so a result that comes at once still ends it.
    QTimer::singleShot(0, &command, &BoardCommand::start);
    return app.exec();
}
