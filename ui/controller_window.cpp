// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controller_window.h"

#include "board/board_words.h"
#include "board/port_names.h"
#include "board/port_prompt.h"
#include "schedule/clock_source.h"
#include "schedule_file/zone_place.h"
#include "ui/workspace.h"
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
#include <QTimeZone>
#include <QShortcut>
#include <QTimer>

namespace {
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
      board(new Board(this)),
      ui(new Ui::ControllerWindow),
      log(setUpForm(*ui, this))
{
    // The platform's default icon, not the one of the main window it belongs to.
    setWindowIcon(QApplication::windowIcon());
    useFixedLook(this);
    board->setBounds(workspace.waitBounds);
    board->setKeepClock(true);
    // The week's place, else the time zone's: what a board without one gets
    // with the time.
    board->setPlaceForClockSet(workspace.week.settings.place ? workspace.week.settings.place
                                                             : zonePlace(QTimeZone::systemTimeZoneId()));

    ui->sendTimeButton->setFocus();

    using Operation = Board::Operation;
    connect(ui->sendTimeButton, &QPushButton::clicked, this, [this] { taken(board->setTime()); });
    connect(ui->sendProgramButton, &QPushButton::clicked, this, &ControllerWindow::sendProgramClicked);
    connect(ui->getTimeButton, &QPushButton::clicked, this, [this] { taken(board->read(Operation::ReadTime)); });
    connect(ui->getPartBButton, &QPushButton::clicked, this, [this] { taken(board->read(Operation::ReadHalfB)); });
    connect(ui->statusButton, &QPushButton::clicked, this, [this] { taken(board->read(Operation::ReadStatus)); });
    connect(ui->getPartAButton, &QPushButton::clicked, this, [this] { taken(board->read(Operation::ReadHalfA)); });
    connect(board, &Board::answered, this, &ControllerWindow::answered);
    // The label shows the time a set sends, read as it goes out.
    connect(board, &Board::settingClock, this, &ControllerWindow::refreshClock);
    connect(board, &Board::notice, this, [this](const QString &text) { log.appendNotice(text); });
    connect(board->link(), &BoardLink::failedWhileIdle, this, [this](const QString &text) {
        log.appendNotice(linkFailedNotice(text));
    });
    connect(board->link(), &BoardLink::settling, this, [this] { log.appendNotice(settlingNotice()); });

    // Escape does what the close box does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);

    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("clockTimer"));
    clockTimer->setInterval(5000);
    connect(clockTimer, &QTimer::timeout, this, &ControllerWindow::refreshClock);
    clockTimer->start();
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
    board->connectTo(port);
}

void ControllerWindow::connectAnswered(const Board::Answer &answer)
{
    switch (answer.outcome) {
    case BoardLink::Outcome::Done:
        log.replace(QString::fromLatin1(answer.line));
        break;
    case BoardLink::Outcome::TooLong:
        // Something talks on this port: show what it said, so the user can
        // tell a wrong device or speed from a board that is not there.
        log.replace(QString::fromLatin1(answer.line));
        log.appendNotice(failureNotice(answer));
        break;
    default:
        // Release the port before asking: the user may move the cable, and a
        // Cancel must leave nothing open.
        board->close();
        askForPort(answer.failure.port, portFailureText(answer.failure));
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

bool ControllerWindow::taken(bool accepted)
{
    if (accepted) {
        refusalShown = false;
    } else if (!refusalShown) {
        refusalShown = true;
        log.appendNotice(queueFullNotice());
    }
    return accepted;
}

void ControllerWindow::sendProgramClicked()
{
    const std::optional<QList<QByteArray>> lines = board->sendWeek(workspace.week);
    if (!taken(lines.has_value()) || lines->isEmpty())
        return;
    // today's halves, as they went
    ui->partALine->setText(QString::fromLatin1((*lines)[0]));
    ui->partBLine->setText(QString::fromLatin1((*lines)[1]));
    // Show the lines from their command letter on.
    ui->partALine->setCursorPosition(0);
    ui->partBLine->setCursorPosition(0);
}

void ControllerWindow::showNextLine()
{
    board->nextLine();
}

void ControllerWindow::answered(const Board::Answer &answer)
{
    using Operation = Board::Operation;
    const QString reply = QString::fromLatin1(answer.line);
    switch (answer.operation) {
    case Operation::Connect:
        connectAnswered(answer);
        return;
    case Operation::Unasked:
        // The board's own words, as they come; a greeting in one line.
        if (answer.restarted) {
            log.appendNotice(restartedNotice(QString::fromLatin1(answer.text())));
            return;
        }
        log.append(reply);
        if (answer.refused)
            log.appendNotice(refusedNotice());
        else if (answer.outcome != BoardLink::Outcome::Done)
            log.appendNotice(failureNotice(answer));
        return;
    case Operation::NextLine:
        // showNextLine ends silently unless a line came.
        if (answer.outcome == BoardLink::Outcome::Done)
            log.replace(reply);
        return;
    default:
        break;
    }
    if (answer.outcome == BoardLink::Outcome::Done) {
        if (answer.operation == Operation::SendDay && answer.oneDayOnly)
            log.appendNotice(oneDayOnlyNotice());
        else if (answer.operation == Operation::SendDay)
            log.appendNotice(sentDayNotice(answer.sentAsOff, answer.wholeWeek));
        else if (answer.operation == Operation::GivePlace && answer.place)
            log.appendNotice(givenPlaceNotice(*answer.place));
        if (answer.operation == Operation::SendDay && answer.settingsLeftOut)
            log.appendNotice(settingsLeftOutNotice());
        if (answer.operation == Operation::GivePlace || answer.operation == Operation::SendDay)
            return;
        else if (answer.operation == Operation::ReadTime)
            log.append(answer.hhmm + QStringLiteral("\r\n"));
        else if (answer.operation != Operation::SetTime)
            log.append(reply);
        return;
    }
    if (answer.outcome != BoardLink::Outcome::SendFailed)
        log.append(reply);
    log.appendNotice(failureNotice(answer));
}

void ControllerWindow::closeEvent(QCloseEvent *event)
{
    clockTimer->stop();
    if (!closing) {
        closing = true;
        // Nothing more goes out, and nothing the board still says is shown:
        // the window goes at once and follows its port when that is closed.
        disconnect(board, nullptr, this, nullptr);
        disconnect(board->link(), nullptr, this, nullptr);
        connect(board->link(), &BoardLink::released, this, &QObject::deleteLater);
        emit closed();
        board->release();
    }
    if (QWidget *mainWindow = parentWidget()) {
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    hide();
    event->accept();
}
