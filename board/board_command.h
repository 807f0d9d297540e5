// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/board_link.h"
#include "board/port_names.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

// What daywheel-ctl was asked to do.
struct BoardRequest
{
    enum class Command { Status, GetTime, SetTime, Send, Get, Flash };
    Command command = Command::Status;
    qint16 port = defaultPort;   // used when device is empty
    bool portGiven = false;
    QString device;       // a device path given with --port
    bool now = false;     // set-time --now, flash --now
    QString bootloader;   // flash --bootloader: optiboot or atmegaboot; empty: try both
    QString firmware;     // flash: the image to write (the caller finds the installed one)
    QString file;         // send FILE, get [FILE]
};

// Exit statuses, as scripts read them.
enum BoardExit : int { exitDone = 0, exitBoardFailed = 1, exitUsage = 2 };

// The words after the program name as a request; on a usage error, the
// message. --help and --version are the caller's (QCommandLineParser).
struct ParsedRequest
{
    std::optional<BoardRequest> request;
    QString error;
};
ParsedRequest parseBoardRequest(const QStringList &words);

// The device flash writes to without --port: the alias com10 (a virtual
// board, or the user's choice), else the one USB serial device present,
// met before or not (it is about to become a board). Empty with the reason
// when there is none or several.
struct FlashPort
{
    QString device;
    QString error;
};
FlashPort chooseFlashPort(const std::optional<PortAlias> &alias10, const QList<PresentPort> &present);

// Runs one request over a BoardLink, asynchronously, and ends in
// finished(exit status). What it prints goes to `out`, one failure line to
// `err`: "daywheel-ctl: PORT: COMMAND: what went wrong".
class BoardCommand : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<void(const QByteArray &)>;
    BoardCommand(BoardRequest request, Sink out, Sink err, QObject *parent = nullptr);

    void start();
    BoardLink &link() { return engine; }

signals:
    void finished(int exitStatus);

private:
    void exchangeFinished(const BoardLink::Result &result);
    void connected();
    void setTimeNow();
    void preciseSetAnswered(const BoardLink::Result &answer);
    void checkReadBack();
    void failNotStored(const QByteArray &boardSays);
    void writeDay();
    void flash();
    void runAvrdude();
    void avrdudeEnded();
    void fail(int status, const QString &what);
    QString portName() const;
    QString commandName() const;

    BoardRequest request;
    Sink out, err;
    BoardLink engine;
    QTimer minuteStart;
    QList<BoardLink::Result> replies;   // answers of this request, in order
    QByteArray sentA, sentB;
    QString failedHalves;
    QByteArrayList refusals;   // DW_ERROR_PREFIX lines the board sent meanwhile
    bool done = false;
    bool setsToTheMs = false;   // the greeting said so
    double offsetBefore = 0;    // the board's time before a set, less the host's
    // flash: avrdude, its speeds still to try, its output (the tail only)
    QProcess avrdude;
    QList<int> speeds;
    QByteArray avrdudeOutput;
    QTimer avrdudeBound;
    QElapsedTimer flashTime;
};
