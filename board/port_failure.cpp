// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/port_failure.h"

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
        return QStringLiteral("Port %1 names no device.").arg(failure.port);
    const QString port = failure.byPath ? QStringLiteral("Port %1").arg(failure.device)
                                        : QStringLiteral("Port %1 (%2)").arg(failure.port).arg(failure.device);
    switch (failure.cause) {
    case PortFailure::Cause::NotFound:
        return port + QStringLiteral(": no such device.");
    case PortFailure::Cause::Busy:
        return port + QStringLiteral(" is busy: another program has it open.");
    case PortFailure::Cause::PermissionDenied:
        // The command on a line of its own, to be typed as it stands.
        return port + QStringLiteral(": permission denied.\n"
                                     "On Debian and Ubuntu, join the dialout group, then log in again:\n"
                                     "sudo usermod -aG dialout $USER");
    case PortFailure::Cause::NoGreeting:
        return port + QStringLiteral(" opened, but no greeting came within %1.")
                          .arg(durationText(failure.waited));
    case PortFailure::Cause::NoDevice:
    case PortFailure::Cause::Other:
        break;
    }
    if (failure.detail.isEmpty())
        return port + QStringLiteral(" failed.");
    return port + QStringLiteral(" failed: ") + failure.detail + u'.';
}
