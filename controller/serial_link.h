#pragma once

#include "controller/port_failure.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <chrono>
#include <functional>

// The controller window's one serial line: a port opened by number at
// 9600 bit/s, no parity, 8 data bits, 1 stop bit. Every failure comes back as
// a false result or a wait that ends in Failed, with errorText() naming it.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    enum class WaitEnd { LineFeed, TooLong, Quiet, TimedOut, Failed, Interrupted };

    // What the port keeps of input nobody has read yet; past it the system
    // holds the rest (or the sender waits), so a talking board costs no memory.
    static constexpr qint64 readBufferBound = 64 * 1024;

    explicit SerialLink(QObject *parent = nullptr);

    // Closes whatever is open first, then opens the device of port `number`.
    // On failure openFailure() says why.
    bool open(qint16 number);
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

    // Collects input into `text` until it holds a line feed, for at most
    // `bound` (rules in ReplyCollector). TooLong: no line feed came within
    // ReplyCollector::defaultBound bytes; `text` holds them and whatever
    // else had arrived is thrown away. Interrupted: the program is ending
    // (or this link went away) meanwhile.
    WaitEnd waitForLine(QByteArray &text, std::chrono::milliseconds bound,
                        QEventLoop::ProcessEventsFlags flags);

    // Throws input away until nothing has arrived for `quiet` and `notBefore`
    // has passed, for at most `bound`. Quiet, or TimedOut when the line kept
    // talking.
    WaitEnd waitForQuiet(std::chrono::milliseconds quiet, QDeadlineTimer notBefore,
                         std::chrono::milliseconds bound, QEventLoop::ProcessEventsFlags flags);

    QString errorText() const { return lastError; }
    QSerialPort *port() const { return serial; }

signals:
    // The port reported a failure of its own (also one that happened while
    // nobody was waiting, such as the board being unplugged).
    void failed(const QString &text);

private:
    // Runs an event loop for at most `bound` that ends on a failure of the
    // port, or with the code that `arm` makes its own connections exit with.
    WaitEnd runWait(std::chrono::milliseconds bound, QEventLoop::ProcessEventsFlags flags,
                    const std::function<void(QEventLoop &)> &arm);
    void portError(QSerialPort::SerialPortError error);
    void fail(const QString &text);

    QSerialPort *serial;
    QString lastError;
    PortFailure lastOpenFailure;
    QString device;
    bool broken = false;
    quint32 openings = 0;   // a late close must not hit a port opened since
};
