// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/port_failure.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

// The controller window's one serial line: a port opened by number at
// 9600 bit/s, no parity, 8 data bits, 1 stop bit. Every failure comes back as
// a false result, with errorText() naming it. Nothing here waits.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    // What the port keeps of input nobody has read yet; past it the system
    // holds the rest (or the sender waits), so a talking board costs no memory.
    static constexpr qint64 readBufferBound = 64 * 1024;

    explicit SerialLink(QObject *parent = nullptr);

    // Closes whatever is open first, then opens the device of port `number`.
    // On failure openFailure() says why.
    bool open(qint16 number);
    // The same for a device given by its path.
    bool openDevice(const QString &path);
    PortFailure openFailure() const { return lastOpenFailure; }
    // The device the last open() was for; empty when its number named none.
    QString deviceName() const { return device; }
    void close();
    bool isOpen() const;

    // Everything received and not yet read, one byte per character; never
    // waits, may be empty.
    QByteArray readAvailable();
    qint64 bytesWaiting() const;

    // Throws away what has arrived, including what the system still holds
    // for the port and has not handed over yet.
    bool discardInput();

    // Sends the bytes in order without waiting for any reply.
    bool write(const QByteArray &bytes);
    // Bytes written but not yet on the wire, in the port's buffer and the
    // system's; closing a port waits for those, so a close that must not
    // block waits for none to be left first.
    qint64 unsentBytes() const;

    // Whether the port is open and has not failed; when not, errorText()
    // says why.
    bool usable();

    QString errorText() const { return lastError; }
    QSerialPort *port() const { return serial; }

signals:
    // The port reported a failure of its own (also one that happened while
    // nobody was waiting, such as the board being unplugged).
    void failed(const QString &text);

private:
    bool openNamed(const QString &device);
    void portError(QSerialPort::SerialPortError error);
    void fail(const QString &text);

    QSerialPort *serial;
    QString lastError;
    PortFailure lastOpenFailure;
    QString device;
    bool broken = false;
    quint32 openings = 0;   // a late close must not hit a port opened since
};
