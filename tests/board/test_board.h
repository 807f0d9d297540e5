// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/daywheel_protocol.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

class QSocketNotifier;

// A Daywheel board on a pseudo-terminal, registered as port com<n> in the
// program's alias folder, run inside the test process. It greets each time
// the port is opened, records every line it receives and answers a line
// with whatever `answer` returns for it.
class TestBoard : public QObject
{
    Q_OBJECT
public:
    explicit TestBoard(qint16 port, QObject *parent = nullptr);
    ~TestBoard() override;

    bool isReady() const { return master >= 0; }
    QString deviceName() const { return device; }

    // Sent whenever the port is opened; empty for a board that never greets.
    QByteArray greeting = DW_GREETING "\r\n";
    // Called with each complete line received (line feed included).
    std::function<QByteArray(const QByteArray &line)> answer;

    QList<QByteArray> received;
    int opens = 0;

    // Writes what the line takes now (it never waits); returns that count.
    qint64 send(const QByteArray &bytes);
    // The board is unplugged: our end of the line closes.
    void goAway();

    // Sends `pattern` over and over, as fast as the line takes it, from a
    // thread of its own (as a board on its own wire would) until stopped.
    void startFlood(const QByteArray &pattern);
    // Stops the flood; returns how many bytes the line took.
    qint64 stopFlood();
    qint64 flooded() const { return floodBytes; }

signals:
    void opened();
    void lineReceived(const QByteArray &line);

private:
    void masterReadable();
    void openNoticed();

    qint16 port;
    int master = -1;
    int slave = -1;
    int watch = -1;
    QString device;
    QString alias;
    QByteArray partial;
    QSocketNotifier *masterNotifier = nullptr;
    QSocketNotifier *watchNotifier = nullptr;
    std::thread flooder;
    std::atomic<bool> flooding{false};
    std::atomic<qint64> floodBytes{0};
};

// Points XDG_RUNTIME_DIR (and XDG_CONFIG_HOME below it) at a fresh private
// folder, so that aliases and remembered boards made by the tests live there. Call before anything asks QStandardPaths.
void useTemporaryRuntimeFolder();
