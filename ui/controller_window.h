// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/board.h"
#include "ui/reply_log.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QInputDialog;
class QTimer;
struct Workspace;
namespace Ui {
class ControllerWindow;
}

// The controller window: opens the serial line to the board, sends it the
// time and the day, and logs what it answers. It only asks its Board for
// operations and shows their results; a click while one runs waits its turn.
class ControllerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ControllerWindow(Workspace &workspace, QWidget *mainWindow = nullptr);
    ~ControllerWindow() override;

    // Sets the clock label, opens port comPort and waits for the board's
    // greeting; when that fails, asks for another port number and tries
    // again. Ends in ready() once the greeting is in the log, or in gaveUp()
    // when the user cancelled the prompt.
    void start();

    // Waits for the next line from the board (no command sent, nothing
    // drained) and puts it in the log in place of what was there. Gives up
    // silently when no line comes.
    void showNextLine();

    // The reply log exactly as received.
    QString replyLog() const { return log.text(); }
    // An exchange runs or waits its turn.
    bool isBusy() const { return !board->link()->isIdle(); }

signals:
    void ready();
    void gaveUp();
    // The user closed the window: it is hidden and asks for nothing more,
    // and is destroyed once its port is closed.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectTo(qint16 port);
    void askForPort(qint16 failedPort, const QString &failure);
    void refreshClock();

    void sendProgramClicked();
    bool taken(bool accepted);
    void answered(const Board::Answer &answer);
    void connectAnswered(const Board::Answer &answer);

    Workspace &workspace;
    Board *board;
    bool closing = false;
    bool refusalShown = false;   // one notice for a burst of refused clicks
    QPointer<QInputDialog> prompt;

    std::unique_ptr<Ui::ControllerWindow> ui;
    ReplyLog log;
    QTimer *clockTimer;
};
