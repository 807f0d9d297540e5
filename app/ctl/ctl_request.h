// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/port_names.h"
#include "board/setting_lines.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What daywheel-ctl was asked to do.
struct CtlRequest
{
    enum class Command { Status, GetTime, SetTime, Send, Get, Flash, Place, Away, Light };
    Command command = Command::Status;
    qint16 port = defaultPort;   // used when device is empty
    bool portGiven = false;
    QString device;       // a device path given with --port
    bool now = false;     // set-time --now, flash --now
    QString bootloader;   // flash --bootloader: optiboot or atmegaboot; empty: try both
    QString firmware;     // flash: the image to write (the caller finds the installed one)
    QString file;         // send FILE, get [FILE]
    std::optional<Place> place;          // place LAT LON; none: print the board's
    std::optional<AwaySetting> away;     // away N [FIRST LAST]; none: away off
    LightRequest light;                  // light on|off|auto [--for D | --held]
};

// Exit statuses, as scripts read them.
enum CtlExit : int { exitDone = 0, exitBoardFailed = 1, exitUsage = 2 };

// The command's words for people.
QString commandWord(CtlRequest::Command command);

// daywheel-ctl's command line: its options, declared once, and what they ask for.
class CtlArguments
{
public:
    CtlArguments();
    // Everything the program was started with, its own name first.
    // Nothing on a usage error (error() says which) and for --help and
    // --version.
    std::optional<CtlRequest> parse(const QStringList &arguments);
    const QString &error() const { return failure; }
    bool helpAsked() const { return parser.isSet(QStringLiteral("help")); }
    bool versionAsked() const { return parser.isSet(QStringLiteral("version")); }
    QString helpText() const { return parser.helpText(); }

private:
    // The place, away and light commands' words; why not, else empty.
    QString readSettingArguments(const QStringList &rest, CtlRequest &request) const;

    QCommandLineParser parser;
    QString failure;
};

// The device flash writes to without --port: the alias com10 (a virtual
// board, or the user's choice), else the one USB serial device present,
// met before or not (it is about to become a board). Empty with the reason
// when there is none or several.
struct FlashPort
{
    QString device;
    QString error;
};
FlashPort chooseFlashPort(const std::optional<PortAlias> &alias10, const QList<PresentPort> &present);
