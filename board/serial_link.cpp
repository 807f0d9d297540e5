// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/serial_link.h"

#include "board/port_names.h"
#include "protocol/daywheel_protocol.h"

#include <QCoreApplication>
#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace {
QString describe(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError: return QCoreApplication::translate("SerialLink", "no such port");
    case QSerialPort::PermissionError: return QCoreApplication::translate("SerialLink", "port in use or not permitted");
    case QSerialPort::OpenError: return QCoreApplication::translate("SerialLink", "port already open");
    case QSerialPort::WriteError: return QCoreApplication::translate("SerialLink", "write error");
    case QSerialPort::ReadError: return QCoreApplication::translate("SerialLink", "read error");
    case QSerialPort::ResourceError: return QCoreApplication::translate("SerialLink", "the port went away");
    case QSerialPort::UnsupportedOperationError: return QCoreApplication::translate("SerialLink", "setting not supported");
    case QSerialPort::TimeoutError: return QCoreApplication::translate("SerialLink", "timed out");
    case QSerialPort::NotOpenError: return QCoreApplication::translate("SerialLink", "port not open");
    default: return QCoreApplication::translate("SerialLink", "port failure");
    }
}

// Why opening `device` failed, from the port's error code.
PortFailure::Cause openFailureCause(QSerialPort::SerialPortError error, const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortFailure::Cause::NotFound;
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        // Qt reports a port someone else holds (its lock file, or an
        // exclusive open: EBUSY) with the same code as a device node this
        // user may not open (EACCES). The node's permissions, judged with
        // the rights the open itself ran with, tell them apart.
        const QByteArray path = QFile::encodeName(device);
        if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0
            && errno == EACCES)
            return PortFailure::Cause::PermissionDenied;
#else
        Q_UNUSED(device);
#endif
        return PortFailure::Cause::Busy;
    }
    default:
        return PortFailure::Cause::Other;
    }
}

}

SerialLink::SerialLink(QObject *parent)
    : QObject(parent), serial(new QSerialPort(this))
{
    serial->setObjectName(QStringLiteral("serialPort"));
    connect(serial, &QSerialPort::errorOccurred, this, &SerialLink::portError);
}

bool SerialLink::open(qint16 number)
{
    lastOpenFailure = PortFailure{};
    lastOpenFailure.port = number;
    return openNamed(portDeviceName(number));
}

bool SerialLink::openDevice(const QString &path)
{
    lastOpenFailure = PortFailure{};
    lastOpenFailure.byPath = true;
    return openNamed(path);
}

bool SerialLink::openNamed(const QString &name)
{
    close();
    ++openings;
    broken = false;
    lastError.clear();
    device = name;
    if (device.isEmpty()) {
        lastOpenFailure.cause = PortFailure::Cause::NoDevice;
        lastError = portFailureText(lastOpenFailure);
        return false;
    }
    serial->setPortName(device);
    serial->setReadBufferSize(readBufferBound);
    // The board's line, no parity; everything else stays at the port's defaults.
    static_assert(DW_LINE_STOP_BITS == 1, "QSerialPort::OneStop below");
    serial->setBaudRate(qint32(DW_LINE_BAUD));
    serial->setParity(QSerialPort::NoParity);
    serial->setDataBits(QSerialPort::DataBits(DW_LINE_DATA_BITS));
    serial->setStopBits(QSerialPort::OneStop);
    if (!serial->open(QIODevice::ReadWrite)) {
        lastOpenFailure.cause = openFailureCause(serial->error(), device);
        lastOpenFailure.device = device;
        lastOpenFailure.detail = serial->errorString();
        lastError = portFailureText(lastOpenFailure);
        return false;
    }
    return true;
}

void SerialLink::close()
{
    if (serial->isOpen())
        serial->close();
}

bool SerialLink::isOpen() const
{
    return serial->isOpen();
}

QByteArray SerialLink::readAvailable()
{
    return serial->isOpen() ? serial->readAll() : QByteArray();
}

qint64 SerialLink::bytesWaiting() const
{
    return serial->isOpen() ? serial->bytesAvailable() : 0;
}

bool SerialLink::usable()
{
    if (broken || !serial->isOpen()) {
        if (!broken)
            lastError = QCoreApplication::translate("SerialLink", "port not open");
        return false;
    }
    return true;
}

bool SerialLink::discardInput()
{
    if (!usable())
        return false;
    serial->readAll();
    return serial->clear(QSerialPort::Input) && !broken;
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!usable())
        return false;
    if (serial->write(bytes) != bytes.size())
        return false;
    // Hand the bytes to the system now rather than at the next turn of the
    // event loop, so that a failure shows up here.
    serial->flush();
    return !broken;
}

qint64 SerialLink::unsentBytes() const
{
    if (!serial->isOpen())
        return 0;
    qint64 pending = serial->bytesToWrite();
#ifdef Q_OS_UNIX
    int queued = 0;
    if (::ioctl(int(serial->handle()), TIOCOUTQ, &queued) == 0)
        pending += queued;
#endif
    return pending;
}

void SerialLink::portError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || broken)
        return;
    // Failures while opening come back from open() itself.
    if (!serial->isOpen())
        return;
    const QString text = QStringLiteral("%1 (%2)").arg(describe(error), serial->errorString());
    if (error == QSerialPort::ReadError || error == QSerialPort::WriteError
        || error == QSerialPort::ResourceError) {
        // The line is gone (an unplugged board; on a pseudo-terminal whose
        // other end closed, every read fails at once and for ever). Close it
        // after the port has finished reporting: closing inside its own
        // notification is not safe.
        broken = true;
        QMetaObject::invokeMethod(
            this, [this, opened = openings] { if (opened == openings) close(); },
            Qt::QueuedConnection);
    }
    fail(text);
}

void SerialLink::fail(const QString &text)
{
    lastError = text;
    emit failed(text);
}
