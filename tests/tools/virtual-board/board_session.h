// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the virtual board with the real firmware in a private folder and talks
// to it: the serial port through QSerialPort (as the desktop program does) and
// the control socket through a plain Unix socket. Every wait has a deadline.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include "protocol/daywheel_protocol.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace boardtest {

constexpr int kWaitMs = 10000;

inline QString boardElf() { return QStringLiteral(DAYWHEEL_BOARD_ELF); }
inline QString boardExe() { return QStringLiteral(DAYWHEEL_VIRTUAL_BOARD); }

inline QString missingTools()
{
    if (boardElf().isEmpty())
        return QStringLiteral("avr-gcc was not found at configure time, so there is no firmware ELF");
    if (boardExe().isEmpty())
        return QStringLiteral("simavr was not found at configure time, so there is no virtual board");
    if (!QFileInfo::exists(boardElf()))
        return QStringLiteral("firmware ELF missing: ") + boardElf();
    if (!QFileInfo::exists(boardExe()))
        return QStringLiteral("virtual board missing: ") + boardExe();
    return {};
}

// Polls cond until it holds or the deadline passes. The short pause is only
// the polling interval; the outcome never depends on it.
inline bool waitUntil(const std::function<bool()> &cond, int ms = kWaitMs)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

// One connection to the board's control socket; connects on first use.
class ControlClient {
public:
    QString path;
    QString error;

    ControlClient() = default;
    explicit ControlClient(const QString &p) : path(p) {}
    ~ControlClient() { close(); }
    ControlClient(const ControlClient &) = delete;
    ControlClient &operator=(const ControlClient &) = delete;

    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        buf.clear();
    }

    bool command(const QByteArray &cmd, QByteArray *answer, int ms = kWaitMs)
    {
        if (fd < 0 && !connectSocket())
            return false;
        const QByteArray data = cmd + '\n';
        if (::write(fd, data.constData(), size_t(data.size())) != data.size()) {
            error = QStringLiteral("control write failed");
            return false;
        }
        QDeadlineTimer deadline(ms);
        for (;;) {
            const int nl = buf.indexOf('\n');
            if (nl >= 0) {
                *answer = buf.left(nl);
                buf.remove(0, nl + 1);
                return true;
            }
            const qint64 left = deadline.remainingTime();
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) {
                error = QStringLiteral("no control answer to \"%1\" within %2 ms")
                            .arg(QString::fromLatin1(cmd)).arg(ms);
                return false;
            }
            char chunk[256];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0) {
                error = QStringLiteral("control socket closed");
                return false;
            }
            buf.append(chunk, int(n));
        }
    }

private:
    int fd = -1;
    QByteArray buf;

    bool connectSocket()
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        if (fd < 0 || size_t(p.size()) >= sizeof a.sun_path) {
            error = QStringLiteral("cannot make control socket for ") + path;
            close();
            return false;
        }
        std::memcpy(a.sun_path, p.constData(), size_t(p.size()) + 1);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
            error = QStringLiteral("cannot connect to %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
            close();
            return false;
        }
        return true;
    }
};

class BoardSession {
public:
    QTemporaryDir dir;
    QProcess proc;
    QSerialPort port;
    QString link;
    QString controlPath;
    QString eepromPath;
    QString error;                // what went wrong last, for failure messages
    QByteArray portBuf;

    explicit BoardSession(const QString &linkName = QStringLiteral("board-com10"))
    {
        link = dir.filePath(QStringLiteral("ports/") + linkName);
        controlPath = dir.filePath(QStringLiteral("control"));
        eepromPath = dir.filePath(QStringLiteral("eeprom.bin"));
    }

    ~BoardSession() { stop(); }

    // Starts the board; waits for its link and control socket, which appear
    // only once they work.
    bool start(QStringList args = {}, bool explicitLink = true)
    {
        QStringList all{QStringLiteral("--elf"), boardElf(),
                        QStringLiteral("--control"), controlPath,
                        QStringLiteral("--eeprom"), eepromPath};
        if (explicitLink)
            all << QStringLiteral("--link") << link;
        all << args;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc.start(boardExe(), all);
        if (!proc.waitForStarted(kWaitMs)) {
            error = QStringLiteral("virtual board did not start: ") + proc.errorString();
            return false;
        }
        const QString watched = explicitLink ? link : defaultLink();
        if (!waitUntil([&] {
                return proc.state() == QProcess::Running && QFileInfo(watched).isSymLink() &&
                       QFileInfo::exists(controlPath);
            })) {
            error = QStringLiteral("virtual board made no link/control socket within %1 ms (state %2)")
                        .arg(kWaitMs).arg(int(proc.state()));
            return false;
        }
        return true;
    }

    QString defaultLink() const { return dir.filePath(QStringLiteral("daywheel/ports/com10")); }

    bool stop()
    {
        ctl.close();
        if (port.isOpen())
            port.close();
        if (proc.state() == QProcess::NotRunning)
            return true;
        proc.terminate();
        if (proc.waitForFinished(kWaitMs))
            return true;
        proc.kill();
        proc.waitForFinished(kWaitMs);
        return false;
    }

    // --- serial side ---------------------------------------------------

    bool openPort()
    {
        portBuf.clear();
        // the device itself, as the desktop program opens it: QSerialPort's
        // lock file is named after the last path part, and the pty's name is
        // unique where the link's is not
        const QString device = QFileInfo(link).canonicalFilePath();
        if (device.isEmpty()) {
            error = QStringLiteral("link %1 leads nowhere").arg(link);
            return false;
        }
        port.setPortName(device);
        port.setBaudRate(DW_LINE_BAUD);
        port.setDataBits(QSerialPort::DataBits(DW_LINE_DATA_BITS));
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::StopBits(DW_LINE_STOP_BITS));
        port.setFlowControl(QSerialPort::NoFlowControl);
        if (!port.open(QIODevice::ReadWrite)) {
            error = QStringLiteral("cannot open %1: %2").arg(link, port.errorString());
            return false;
        }
        return true;
    }

    // Next line from the board without its CR LF; false on timeout.
    bool readLine(QByteArray *line, int ms = kWaitMs)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            const int end = portBuf.indexOf("\r\n");
            if (end >= 0) {
                *line = portBuf.left(end);
                portBuf.remove(0, end + 2);
                return true;
            }
            const qint64 left = deadline.remainingTime();
            if (left <= 0) {
                error = QStringLiteral("no complete line within %1 ms; have \"%2\"")
                            .arg(ms).arg(QString::fromLatin1(portBuf.toPercentEncoding(" :")));
                return false;
            }
            if (port.waitForReadyRead(int(qMin<qint64>(left, 200))))
                portBuf += port.readAll();
        }
    }

    bool send(const QByteArray &line, const QByteArray &end = "\n")
    {
        const QByteArray data = line + end;
        if (port.write(data) != data.size()) {
            error = QStringLiteral("write failed: ") + port.errorString();
            return false;
        }
        QDeadlineTimer deadline(kWaitMs);
        while (port.bytesToWrite() > 0) {
            if (deadline.hasExpired()) {
                error = QStringLiteral("bytes not written within %1 ms").arg(kWaitMs);
                return false;
            }
            port.waitForBytesWritten(200);
        }
        return true;
    }

    // Sends a query line and returns its one answer line.
    bool query(const QByteArray &line, QByteArray *answer)
    {
        return send(line) && readLine(answer);
    }

    // True if no line arrives before the board has answered a following "z":
    // shows that a command was silent without guessing how long to wait.
    bool silentThenQuery(QByteArray *zAnswer)
    {
        if (!send("z"))
            return false;
        QByteArray l;
        if (!readLine(&l))
            return false;
        *zAnswer = l;
        bool digits = !l.isEmpty();
        for (char c : l)
            digits &= c >= '0' && c <= '9';
        if (!digits)
            error = QStringLiteral("expected only the answer to z, got \"%1\"").arg(QString::fromLatin1(l));
        return digits;
    }

    // --- control socket -------------------------------------------------

    ControlClient ctl;

    bool control(const QByteArray &cmd, QByteArray *answer, int ms = kWaitMs)
    {
        ctl.path = controlPath;
        const bool ok = ctl.command(cmd, answer, ms);
        if (!ok)
            error = ctl.error;
        return ok;
    }

    // Polls "light?" until it reports want; the answer seen last is kept.
    bool waitLight(int want, QByteArray *last, int ms = kWaitMs)
    {
        const QByteArray expected = "light " + QByteArray::number(want);
        return waitUntil([&] { return control("light?", last) && *last == expected; }, ms);
    }
};

} // namespace boardtest
