// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controller_window.h"

#include "board/board_clock.h"
#include "board/port_names.h"
#include "board/port_prompt.h"
#include "board/serial_link.h"
#include "board/wire_format.h"
#include "schedule/clock_source.h"
#include "schedule/workspace.h"
#include "ui/focus_frame.h"
#include "ui/window_look.h"
#include "ui_controller_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <cmath>

namespace {
// Whole sentences, so a translation can bend its words to each.
QString tooLongNotice(bool greeting)
{
    return (greeting ? ControllerWindow::tr("The greeting was too long (no line end within %1 bytes); "
                                            "the rest was thrown away.")
                     : ControllerWindow::tr("The answer was too long (no line end within %1 bytes); "
                                            "the rest was thrown away."))
        .arg(ReplyCollector::defaultBound);
}

// The form is set up before the reply log takes its text box.
QPlainTextEdit *setUpForm(Ui::ControllerWindow &form, QWidget *window)
{
    form.setupUi(window);
    new FocusRing(window);
    return form.logView;
}

QString hostMinuteText()
{
    return ClockSource::now().time().toString(QStringLiteral("hh:mm"));
}
}

ControllerWindow::ControllerWindow(Workspace &workspace_, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window),
      workspace(workspace_),
      link(new BoardLink(this)),
      ui(new Ui::ControllerWindow),
      log(setUpForm(*ui, this))
{
    // The platform's default icon, not the one of the main window it belongs to.
    setWindowIcon(QApplication::windowIcon());
    useFixedLook(this);
    link->setBounds(workspace.waitBounds);

    ui->sendTimeButton->setFocus();

    connect(ui->sendTimeButton, &QPushButton::clicked, this, &ControllerWindow::sendTimeClicked);
    connect(ui->sendProgramButton, &QPushButton::clicked, this, &ControllerWindow::sendProgramClicked);
    connect(ui->getTimeButton, &QPushButton::clicked, this, [this] { ask(DW_CMD_GET_TIME); });
    connect(ui->getPartBButton, &QPushButton::clicked, this, [this] { ask(DW_CMD_GET_B); });
    connect(ui->statusButton, &QPushButton::clicked, this, [this] { ask(DW_CMD_STATUS); });
    connect(ui->getPartAButton, &QPushButton::clicked, this, [this] { ask(DW_CMD_GET_A); });
    connect(link, &BoardLink::finished, this, &ControllerWindow::exchangeFinished);
    connect(link, &BoardLink::failedWhileIdle, this, [this](const QString &text) {
        log.appendNotice(tr("The serial link failed: %1").arg(text));
    });
    connect(link, &BoardLink::settling, this, [this] {
        log.appendNotice(tr("Waiting for the board to fall quiet before the next question."));
    });

    // Escape does what the close box does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("clockTimer"));
    clockTimer->setInterval(5000);
    connect(clockTimer, &QTimer::timeout, this, &ControllerWindow::refreshClock);
    clockTimer->start();

    boardClockTimer = new QTimer(this);
    boardClockTimer->setSingleShot(true);
    boardClockTimer->setTimerType(Qt::PreciseTimer);
    connect(boardClockTimer, &QTimer::timeout, this, &ControllerWindow::setBoardClock);
}

ControllerWindow::~ControllerWindow()
{
    delete prompt;
}

void ControllerWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ui->sendTimeButton->setFocus();
}

void ControllerWindow::refreshClock()
{
    ui->clockLabel->setText(hostMinuteText());
}

void ControllerWindow::start()
{
    connectTo(workspace.comPort);
}

void ControllerWindow::connectTo(qint16 port)
{
    // Each attempt: clock label, port, greeting; on failure the prompt and
    // then a fresh attempt with the answer.
    refreshClock();
    link->connectTo(port);
}

void ControllerWindow::connectFinished(const BoardLink::Result &result)
{
    switch (result.outcome) {
    case BoardLink::Outcome::Done:
        log.replace(QString::fromLatin1(result.reply));
        setsToTheMs = boardSetsToTheMs(result.reply);
        noticeClockState(result.reply);
        // A board that keeps its time to the ms is checked against the
        // host's once, in the background.
        if (setsToTheMs && !boardSaysTimeNotSet(result.reply))
            link->ask(queryMessage(DW_CMD_GET_PRECISE));
        break;
    case BoardLink::Outcome::TooLong:
        // Something talks on this port: show what it said, so the user can
        // tell a wrong device or speed from a board that is not there.
        log.replace(QString::fromLatin1(result.reply));
        log.appendNotice(tooLongNotice(true));
        break;
    default:
        // Release the port before asking: the user may move the cable, and a
        // Cancel must leave nothing open.
        link->close();
        askForPort(result.failure.port, portFailureText(result.failure));
        return;
    }
    emit ready();
}

void ControllerWindow::askForPort(qint16 failedPort, const QString &failure)
{
    // Modal, but answered through signals: the program's events go on.
    prompt = new QInputDialog(parentWidget() ? parentWidget() : this);
    prompt->setAttribute(Qt::WA_DeleteOnClose);
    prompt->setWindowModality(Qt::ApplicationModal);
    prompt->setInputMode(QInputDialog::TextInput);
    prompt->setWindowTitle(portPromptTitle(failedPort));
    // The list is read afresh each time: the user may have plugged the
    // board in meanwhile.
    prompt->setLabelText(portPromptLabel(failure, portListText(portAliases(), presentPorts())));
    // Device names and the system's words are shown as they are.
    for (QLabel *label : prompt->findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    connect(prompt, &QInputDialog::textValueSelected, this, [this, failedPort, failure](const QString &text) {
        const std::optional<qint16> answer = parsePortAnswer(text);
        if (!answer) {   // not a port number: ask again
            QTimer::singleShot(0, this, [=, this] { askForPort(failedPort, failure); });
            return;
        }
        workspace.comPort = *answer;
        connectTo(*answer);
    });
    connect(prompt, &QInputDialog::rejected, this, &ControllerWindow::gaveUp);
    prompt->show();
}

void ControllerWindow::ask(char query)
{
    taken(link->ask(queryMessage(query)));
}

bool ControllerWindow::taken(bool accepted)
{
    if (accepted) {
        refusalShown = false;
    } else if (!refusalShown) {
        refusalShown = true;
        log.appendNotice(tr("%1 requests already wait for the board: clicks are not taken "
                            "until it has answered some of them.")
                             .arg(BoardLink::queueBound));
    }
    return accepted;
}

QList<QByteArray> ControllerWindow::timeLinesNow()
{
    // Read when the line goes out, not when it was asked for: it may have
    // waited behind a slow question. The label lags the clock by up to its
    // refresh interval, so it is refreshed first, and shows what was sent.
    refreshClock();
    return setsToTheMs ? preciseTimeLines(ClockSource::now()) : QList<QByteArray>{timeMessage(ui->clockLabel->text())};
}

void ControllerWindow::checkBoardClock(const BoardLink::Result &result)
{
    if (!result.ok())
        return;
    const double offset = preciseOffset(result.reply, ClockSource::now().time());
    const bool changesMissing = readPrecise(result.reply).changes == 0 && offsetChangesWithinAYear(ClockSource::now());
    if (std::abs(offset) <= 1.0 && !changesMissing)
        return;
    log.appendNotice((changesMissing ? tr("The board's clock was %1 s off and knew no coming change of "
                                          "summer time: set it.")
                                     : tr("The board's clock was %1 s off: set it."))
                         .arg(offset, 0, 'f', 3));
    link->send([this] { return timeLinesNow(); });
}

void ControllerWindow::sendTimeClicked()
{
    taken(link->send([this] {
        // The board needs no other setting then.
        boardClockTimer->stop();
        return timeLinesNow();
    }));
}

void ControllerWindow::noticeClockState(const QByteArray &line)
{
    if (boardSaysTimeNotSet(line))
        setBoardClockAtNextMinute();
}

void ControllerWindow::setBoardClockAtNextMinute()
{
    if (setsToTheMs) {
        boardClockTimer->start(0);
        return;
    }
    boardClockTimer->start(untilNextMinute(ClockSource::now().time()));
}

void ControllerWindow::setBoardClock()
{
    // DW_CMD_SET_TIME sets the seconds to 0, so it must go out as a minute
    // begins; behind a running exchange it would go out late, so it waits
    // for the next one. A set to the ms is made when it goes out, whenever
    // that is.
    if (!setsToTheMs && !link->isIdle()) {
        setBoardClockAtNextMinute();
        return;
    }
    link->send([this] {
        const QList<QByteArray> lines = timeLinesNow();
        log.appendNotice(tr("The board said its time was not set: sent the time, %1.")
                             .arg(ui->clockLabel->text()));
        return lines;
    });
}

void ControllerWindow::sendProgramClicked()
{
    const QList<QByteArray> lines = dayLines(workspace.day);
    if (!taken(link->send(lines)))
        return;
    ui->partALine->setText(QString::fromLatin1(lines[0]));
    ui->partBLine->setText(QString::fromLatin1(lines[1]));
    // Show the lines from their command letter on.
    ui->partALine->setCursorPosition(0);
    ui->partBLine->setCursorPosition(0);
}

void ControllerWindow::showNextLine()
{
    link->listen();
}

void ControllerWindow::exchangeFinished(const BoardLink::Result &result)
{
    using Outcome = BoardLink::Outcome;
    using Exchange = BoardLink::Exchange;
    const QString reply = QString::fromLatin1(result.reply);
    switch (result.exchange) {
    case Exchange::Connect:
        connectFinished(result);
        return;
    case Exchange::Listen:
        // showNextLine ends silently unless a line came.
        if (result.outcome == Outcome::Done) {
            log.replace(reply);
            noticeClockState(result.reply);
        }
        return;
    case Exchange::Send:
    case Exchange::Ask:
        break;
    }
    if (result.request == queryMessage(DW_CMD_GET_PRECISE)) {
        checkBoardClock(result);
        return;
    }
    switch (result.outcome) {
    case Outcome::Done:
        if (result.exchange == Exchange::Ask) {
            log.append(result.request == queryMessage(DW_CMD_GET_TIME) ? boardTimeText(result.reply) + QStringLiteral("\r\n")
                                                           : reply);
            noticeClockState(result.reply);
        }
        break;
    case Outcome::TimedOut:
        log.append(reply);
        log.appendNotice(tr("The board did not answer."));
        break;
    case Outcome::TooLong:
        log.append(reply);
        log.appendNotice(tooLongNotice(false));
        break;
    case Outcome::ReadFailed:
        log.append(reply);
        log.appendNotice(tr("Could not read from the board: %1").arg(result.error));
        break;
    case Outcome::SendFailed:
        log.appendNotice(tr("Could not send to the board: %1").arg(result.error));
        break;
    case Outcome::OpenFailed:
        break;
    }
}

void ControllerWindow::closeEvent(QCloseEvent *event)
{
    boardClockTimer->stop();
    clockTimer->stop();
    if (!closing) {
        closing = true;
        // Nothing more goes out, and nothing the board still says is shown:
        // the window goes at once and follows its port when that is closed.
        disconnect(link, nullptr, this, nullptr);
        connect(link, &BoardLink::released, this, &QObject::deleteLater);
        emit closed();
        link->release();
    }
    if (QWidget *mainWindow = parentWidget()) {
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    hide();
    event->accept();
}
