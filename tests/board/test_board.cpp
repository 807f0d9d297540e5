// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_board.h"

#include "board/port_names.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

void useTemporaryRuntimeFolder()
{
    static QTemporaryDir folder;
    QFile::setPermissions(folder.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path() + QStringLiteral("/config")));
}

TestBoard::TestBoard(qint16 portNumber, QObject *parent)
    : QObject(parent), port(portNumber)
{
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        master = -1;
        return;
    }
    // A test running beside this one may still hold Qt's lock file for a
    // pseudo-terminal number since freed and handed to us, which would make
    // the port "in use": keep such ones open while taking another.
    const auto locked = [&] {
        return QFileInfo::exists(QStringLiteral("/var/lock/LCK..")
                                 + QString::fromLocal8Bit(name).mid(5).replace(u'/', u'_'));
    };
    QList<int> held;
    while (locked() && held.size() < 64) {
        held << master << slave;
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            master = -1;
    }
    for (int fd : std::as_const(held))
        ::close(fd);
    if (master < 0)
        return;
    // Raw both ways, so line feeds pass as they are before the port sets
    // its own modes.
    termios mode{};
    tcgetattr(slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave, TCSANOW, &mode);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    device = QString::fromLocal8Bit(name);

    QDir().mkpath(portLinkFolder());
    alias = portLinkFolder() + QStringLiteral("/com%1").arg(port);
    QFile::remove(alias);
    QFile::link(device, alias);

    // A board greets when the port opens; the open of the device node tells us.
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, name, IN_OPEN);
    watchNotifier = new QSocketNotifier(watch, QSocketNotifier::Read, this);
    connect(watchNotifier, &QSocketNotifier::activated, this, &TestBoard::openNoticed);

    masterNotifier = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(masterNotifier, &QSocketNotifier::activated, this, &TestBoard::masterReadable);
}

TestBoard::~TestBoard()
{
    stopFlood();
    goAway();
    delete watchNotifier;
    if (watch >= 0)
        ::close(watch);
    if (slave >= 0)
        ::close(slave);
    if (!alias.isEmpty())
        QFile::remove(alias);
}

qint64 TestBoard::send(const QByteArray &bytes)
{
    if (master < 0)
        return 0;
    const ssize_t n = ::write(master, bytes.constData(), size_t(bytes.size()));
    return n < 0 ? 0 : n;
}

void TestBoard::goAway()
{
    delete masterNotifier;
    masterNotifier = nullptr;
    if (master >= 0)
        ::close(master);
    master = -1;
}

void TestBoard::startFlood(const QByteArray &pattern)
{
    stopFlood();
    QByteArray chunk = pattern;
    while (chunk.size() < 64 * 1024)
        chunk += pattern;
    flooding = true;
    flooder = std::thread([this, chunk, fd = master] {
        while (flooding) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLOUT))
                continue;
            const ssize_t n = ::write(fd, chunk.constData(), size_t(chunk.size()));
            if (n > 0)
                floodBytes += n;
        }
    });
}

qint64 TestBoard::stopFlood()
{
    flooding = false;
    if (flooder.joinable())
        flooder.join();
    return floodBytes;
}

void TestBoard::openNoticed()
{
    char events[1024];
    int opensNow = 0;
    for (;;) {
        const ssize_t n = ::read(watch, events, sizeof events);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(events + at);
            if (e->mask & IN_OPEN)
                ++opensNow;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
    for (int i = 0; i < opensNow; ++i) {
        ++opens;
        send(greeting);
        emit opened();
    }
}

void TestBoard::masterReadable()
{
    char buffer[512];
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0)
        return;   // nobody holds the port open just now
    partial.append(buffer, n);
    qsizetype end;
    while ((end = partial.indexOf('\n')) >= 0) {
        const QByteArray line = partial.left(end + 1);
        partial.remove(0, end + 1);
        received.append(line);
        emit lineReceived(line);
        if (answer)
            send(answer(line));
    }
}
