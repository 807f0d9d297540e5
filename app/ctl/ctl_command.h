// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ctl/ctl_request.h"
#include "app/ctl/flasher.h"
#include "board/board.h"

#include <QByteArray>
#include <QObject>
#include <functional>

// Runs one request on the board, asynchronously, and ends in
// finished(exit status). What it prints goes to `out`, one failure line to
// `err`: "daywheel-ctl: PORT: COMMAND: what went wrong".
class CtlCommand : public QObject
{
    Q_OBJECT
public:
    using Sink = std::function<void(const QByteArray &)>;
    CtlCommand(CtlRequest request, Sink out, Sink err, QObject *parent = nullptr);

    void start();
    Board &board() { return target; }

signals:
    void finished(int exitStatus);

private:
    void answered(const Board::Answer &answer);
    void greeted(const Board::Answer &greeting);
    void printTimeSet(const Board::Answer &answer);
    void askSetting();
    void settingAnswered(const Board::Answer &answer);
    void writeWeek(const Week &week, bool neverStored);
    void flash();
    void succeed(const QByteArray &printed);
    void fail(int status, const QString &what);
    QString portName() const;

    CtlRequest request;
    Sink out, err;
    Board target;
    Flasher flasher;
    Week week;   // send: the file's (a day file: every day)
    bool done = false;
};
