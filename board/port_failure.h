// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>

// Why an attempt to reach the board on a port failed, in words the
// port prompt shows under its question.
struct PortFailure
{
    enum class Cause {
        NoDevice,           // the number names no device
        NotFound,           // no such device (nothing plugged in, a dangling alias)
        Busy,               // another program holds the port
        PermissionDenied,   // the device node may not be opened by this user
        NoGreeting,         // it opened, but no line came within the greeting bound
        Other,
    };
    Cause cause = Cause::Other;
    qint16 port = 0;
    QString device;                     // what the number opened; empty for NoDevice
    QString detail;                     // the system's words, for Other
    std::chrono::milliseconds waited{}; // the greeting bound, for NoGreeting
    bool byPath = false;                // opened by device path, not by number
};

// One or two lines: what went wrong on which port and, where there is one,
// what to do about it.
QString portFailureText(const PortFailure &failure);
