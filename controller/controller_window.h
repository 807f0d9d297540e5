#pragma once

#include "controller/port_failure.h"

#include <QDeadlineTimer>
#include <QWidget>
#include <chrono>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class SerialLink;

// The controller window: opens the serial line to the light controller,
// sends it the time and the day program, and logs what it answers.
struct Workspace;

class ControllerWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ControllerWindow(Workspace &workspace, QWidget *mainWindow = nullptr);

    // Sets the clock label, opens port comPort and waits for the controller's
    // greeting; when that fails, asks for another port number and tries again.
    // True once the greeting is in Text3; false when the user gave up at the
    // prompt or the program is ending. Runs nested event loops: the caller
    // must expect this window to be gone afterwards (hold it in a QPointer).
    bool start();

    // Waits for the next line from the controller (no command sent, nothing
    // drained) and puts it in Text3 in place of what was there. Gives up
    // silently when no line comes.
    void getit();

    // The reply log exactly as received (Text3 shows it; the text widget
    // itself folds CR LF into one line break).
    QString replyLog() const { return log; }

    // How long to wait for the greeting after the port opened, and for each
    // reply. 10 s and 3 s unless changed (tests shorten them).
    static void setWaitBounds(std::chrono::milliseconds greeting,
                              std::chrono::milliseconds reply);

signals:
    // start() is done: the greeting is in Text3, or the user gave up.
    void ready();
    void gaveUp();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class Attempt { Ready, Failed, Interrupted };

    void buildLayout();
    bool connectLoop();
    // On failure, lastFailure says why.
    Attempt connectOnce(qint16 port);
    void refreshClock();

    void sendTimeClicked();
    void sendProgramClicked();
    void getTimeClicked();
    void query(char letter, bool asTime);

    bool drain();
    bool send(const QByteArray &message);
    void linkFailed(const QString &text);

    void setLog(const QString &text);
    void appendLog(const QString &text);
    void appendNotice(const QString &line);
    void logEdited();
    void endBusy();

    Workspace &workspace;
    SerialLink *link;
    QString log;
    bool settingLog = false;
    bool busy = false;          // in start() or a button's exchange
    bool closeWhenIdle = false;
    QDeadlineTimer lateReplyWindow;   // a given-up reply may still arrive until then
    PortFailure lastFailure;

    QLabel *label1, *label2, *label3, *label4;
    QPushButton *command1, *command2, *command3, *command4, *command5, *command6;
    QLineEdit *text1, *text2;
    QPlainTextEdit *text3;
    QTimer *timer1;
};
