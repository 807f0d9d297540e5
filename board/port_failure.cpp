// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/port_failure.h"

#include <QCoreApplication>

namespace {
// "10 s", or "300 ms" for a bound that is no whole number of seconds.
QString durationText(std::chrono::milliseconds bound)
{
    if (bound.count() % 1000 == 0)
        return QStringLiteral("%1 s").arg(bound.count() / 1000);
    return QStringLiteral("%1 ms").arg(bound.count());
}
}

QString portFailureText(const PortFailure &failure)
{
    if (failure.cause == PortFailure::Cause::NoDevice)
        return QCoreApplication::translate("PortFailure", "Port %1 names no device.").arg(failure.port);
    const QString port = failure.byPath
        ? QCoreApplication::translate("PortFailure", "Port %1").arg(failure.device)
        : QCoreApplication::translate("PortFailure", "Port %1 (%2)").arg(failure.port).arg(failure.device);
    switch (failure.cause) {
    case PortFailure::Cause::NotFound:
        return QCoreApplication::translate("PortFailure", "%1: no such device.").arg(port);
    case PortFailure::Cause::Busy:
        return QCoreApplication::translate("PortFailure", "%1 is busy: another program has it open.").arg(port);
    case PortFailure::Cause::PermissionDenied:
        // The command on a line of its own, to be typed as it stands.
        return QCoreApplication::translate("PortFailure",
                                           "%1: permission denied.\n"
                                           "On Debian and Ubuntu, join the dialout group, then log in again:\n"
                                           "sudo usermod -aG dialout $USER")
            .arg(port);
    case PortFailure::Cause::NoGreeting:
        return QCoreApplication::translate("PortFailure", "%1 opened, but no greeting came within %2: the board may not hold "
                                           "Daywheel's firmware (daywheel-ctl flash writes it).")
            .arg(port, durationText(failure.waited));
    case PortFailure::Cause::NoDevice:
    case PortFailure::Cause::Other:
        break;
    }
    if (failure.detail.isEmpty())
        return QCoreApplication::translate("PortFailure", "%1 failed.").arg(port);
    return QCoreApplication::translate("PortFailure", "%1 failed: %2.").arg(port, failure.detail);
}
