// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// USB serial devices on which a Daywheel board greeted, by their stable
// names (/dev/serial/by-id/...), which stay the same whichever ttyACM or
// ttyUSB number the system hands out. Port 10 opens such a device by
// itself; one never met may be something else that the reset on opening
// would upset (a 3D printer's controller mid-print resets).

// The stable name of `device` (a link in `folder` that leads to it), or
// empty when it has none.
QString stableDeviceName(const QString &device,
                         const QString &folder = QStringLiteral("/dev/serial/by-id"));

// Whether `greeting` is a Daywheel board's: another device's first line
// proves nothing.
bool isBoardGreeting(const QByteArray &greeting);

// The stable names remembered so far (the user's settings), newest first.
QStringList knownBoards();

// Remembers the device the board greeted on, when it has a stable name.
void rememberBoard(const QString &device, const QString &folder = QStringLiteral("/dev/serial/by-id"));
