// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>
#include <optional>

// Serial port numbers, as the user types them at the port prompt, and the
// devices they stand for.

// The port number the controller window and daywheel-ctl open unless told
// otherwise; without an alias it also finds a lone board met before.
constexpr qint16 defaultPort = 10;

// Whether `location` is a USB serial device (/dev/ttyACM<n>, /dev/ttyUSB<n>),
// as an Uno or a Nano is.
bool isUsbSerial(const QString &location);

// A serial port the system lists (QSerialPortInfo::availablePorts()), as far
// as the port rules need it.
struct PresentPort
{
    QString systemLocation;   // "/dev/ttyACM0"
    QString description;      // what the system calls it; may be empty
    QString manufacturer;     // may be empty
    bool metBefore = false;   // a board greeted on it before (known_boards.h)
};

// An alias com<n> in portLinkFolder(): the device it opens, or the alias's
// own path when it leads nowhere (so that opening it fails with "not found").
struct PortAlias
{
    QString device;
    bool leadsSomewhere = true;
};
using PortAliases = QMap<qint16, PortAlias>;

// Folder where virtual boards and users put aliases named com<n>
// (<runtime folder>/daywheel/ports).
QString portLinkFolder();

// The device that port number `number` opens, given its alias (if any) and
// the serial ports present: the alias first; otherwise, for port 10 only,
// the one USB serial device (ttyACM* or ttyUSB*) when exactly one is
// present and a board greeted on it before; otherwise on Linux 1-32 are /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31
// and 65-96 /dev/ttyACM0-31; on Windows "COM<n>". Empty when the number
// names no device.
QString portDevice(qint16 number, const std::optional<PortAlias> &alias,
                   const QList<PresentPort> &present);

// What port `number` opens on this machine now: portDevice() fed with the
// alias folder and the system's list of serial ports.
QString portDeviceName(qint16 number);

// The alias com<number> in portLinkFolder(), if there is one.
std::optional<PortAlias> portAlias(qint16 number);
// Every alias com<n> in portLinkFolder().
PortAliases portAliases();
// The serial ports the system lists now.
QList<PresentPort> presentPorts();

// The prompt's list of ports: one line per device present or reached by an
// alias, "<numbers>  <device>  <what the system calls it>", ordered by
// number; "-" for a device no number opens. A line saying so when there is
// none.
QString portListText(const PortAliases &aliases, const QList<PresentPort> &present);
