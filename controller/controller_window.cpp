#include "controller/controller_window.h"

#include "widgets/twips.h"
#include "widgets/wrap_button.h"
#include "controller/port_names.h"
#include "controller/port_prompt.h"
#include "controller/reply_collector.h"
#include "controller/serial_link.h"
#include "controller/wire_format.h"
#include "dial/clock_source.h"
#include "schedule/workspace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

namespace {
using std::chrono::milliseconds;

// The log keeps its last lines only; each of them is a reply or a notice,
// itself bounded.
constexpr int logLineBound = 10000;
constexpr int logCharacterBound = 1 << 20;

// Drops whole lines from the front of a log until it is within both bounds.
void trimToTail(QString &log)
{
    qsizetype cut = 0;
    qsizetype at = log.size();
    for (int ends = 0; ends <= logLineBound && at >= 0; ++ends)
        at = at > 0 ? log.lastIndexOf(u'\n', at - 1) : -1;
    if (at >= 0)
        cut = at + 1;
    if (log.size() - cut > logCharacterBound) {
        const qsizetype from = log.size() - logCharacterBound;
        const qsizetype lineEnd = log.indexOf(u'\n', from);
        cut = lineEnd < 0 ? from : lineEnd + 1;
    }
    log.remove(0, cut);
}

milliseconds greetingBound{10000};   // a board that resets on open boots in about 2 s
milliseconds replyBound{3000};
// After a query gave up, its reply may still come this much later; the next
// query waits that out (and for a short silence) before it asks.
constexpr milliseconds lateReplyGrace{2000};
constexpr milliseconds quietTime{200};
constexpr milliseconds settleBound{5000};

QPushButton *button(QWidget *parent, const char *name, const char *caption, QRect geometry)
{
    auto *b = place(new WrapButton(QString::fromLatin1(caption), parent), name, geometry);
    b->setAutoDefault(false);
    return b;
}

QString tooLongNotice(const QString &what)
{
    return QStringLiteral("The %1 was too long (no line end within %2 bytes); the rest was thrown away.")
        .arg(what)
        .arg(ReplyCollector::defaultBound);
}

QString clockText()
{
    return ClockSource::now().time().toString(QStringLiteral("hh:mm"));
}
}

void ControllerWindow::setWaitBounds(milliseconds greeting, milliseconds reply)
{
    greetingBound = greeting;
    replyBound = reply;
}

ControllerWindow::ControllerWindow(Workspace &workspace_, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window), workspace(workspace_), link(new SerialLink(this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Send/Recieve Wifi/Serial Com"));
    // The platform's default icon, not the one of the main window it belongs to.
    setWindowIcon(QApplication::windowIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsSize(9645, 5475));
    buildLayout();

    connect(command1, &QPushButton::clicked, this, &ControllerWindow::sendTimeClicked);
    connect(command2, &QPushButton::clicked, this, &ControllerWindow::sendProgramClicked);
    connect(command3, &QPushButton::clicked, this, &ControllerWindow::getTimeClicked);
    connect(command4, &QPushButton::clicked, this, [this] { query('e', false); });
    connect(command5, &QPushButton::clicked, this, [this] { query('s', false); });
    connect(command6, &QPushButton::clicked, this, [this] { query('f', false); });
    connect(text3, &QPlainTextEdit::textChanged, this, &ControllerWindow::logEdited);
    connect(link, &SerialLink::failed, this, &ControllerWindow::linkFailed);

    timer1 = new QTimer(this);
    timer1->setObjectName(QStringLiteral("Timer1"));
    timer1->setInterval(5000);
    connect(timer1, &QTimer::timeout, this, &ControllerWindow::refreshClock);
    timer1->start();
}

void ControllerWindow::buildLayout()
{
    label1 = place(new QLabel(QStringLiteral("09:00"), this), "Label1", twipsRect(360, 120, 735, 255));
    command1 = button(this, "Command1", "Send Time", twipsRect(240, 480, 855, 495));
    command2 = button(this, "Command2", "Send Program", twipsRect(1320, 480, 1095, 495));
    command6 = button(this, "Command6", "Get part a", twipsRect(2640, 480, 975, 495));
    command3 = button(this, "Command3", "Get Time", twipsRect(240, 1200, 855, 495));
    command5 = button(this, "Command5", "Status?", twipsRect(1440, 1200, 975, 495));
    command4 = button(this, "Command4", "Get part b", twipsRect(2640, 1200, 975, 495));
    label2 = place(new QLabel(QStringLiteral("Light pattern, part a"), this), "Label2",
                   twipsRect(1560, 2760, 2055, 255));
    text1 = place(new QLineEdit(this), "Text1", twipsRect(240, 3240, 4935, 495));
    text2 = place(new QLineEdit(this), "Text2", twipsRect(240, 3720, 4935, 495));
    label3 = place(new QLabel(QStringLiteral("Light pattern, part b"), this), "Label3",
                   twipsRect(1560, 4320, 1815, 375));
    text3 = place(new QPlainTextEdit(this), "Text3", twipsRect(5760, 360, 3375, 4575));
    text3->setLineWrapMode(QPlainTextEdit::NoWrap);
    text3->setMaximumBlockCount(logLineBound + 1);
    text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text3->setTabChangesFocus(true);
    label4 = place(new QLabel(QStringLiteral("Incoming code from arduino"), this), "Label4",
                   twipsRect(6720, 5160, 2535, 375));

    setTabOrder(command1, command2);
    setTabOrder(command2, command3);
    setTabOrder(command3, command4);
    setTabOrder(command4, text2);
    setTabOrder(text2, text3);
    setTabOrder(text3, text1);
    setTabOrder(text1, command5);
    setTabOrder(command5, command6);
    command1->setFocus();
}

void ControllerWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    command1->setFocus();
}

void ControllerWindow::refreshClock()
{
    label1->setText(clockText());
}

bool ControllerWindow::start()
{
    const bool ok = connectLoop();
    if (ok)
        emit ready();
    else
        emit gaveUp();
    return ok;
}

bool ControllerWindow::connectLoop()
{
    const QPointer<ControllerWindow> self(this);
    busy = true;
    // Attempts follow each other in this loop: clock label, port, greeting;
    // on failure the prompt and then a fresh attempt with the answer.
    for (;;) {
        refreshClock();
        const qint16 port = workspace.comPort;
        const Attempt attempt = connectOnce(port);
        if (!self)
            return false;
        if (attempt == Attempt::Ready) {
            busy = false;
            return true;
        }
        // Release the port before asking: the user may move the cable, and a
        // Cancel must leave nothing open.
        link->close();
        if (attempt == Attempt::Interrupted) {
            busy = false;
            return false;
        }

        const QString failure = portFailureText(lastFailure);
        std::optional<qint16> answer;
        while (!answer) {
            bool ok = false;
            // The list is read afresh each time: the user may have plugged
            // the board in meanwhile.
            const QString label =
                portPromptLabel(failure, portListText(portAliases(), presentPorts()));
            const QString text = QInputDialog::getText(
                parentWidget() ? parentWidget() : this, portPromptTitle(port), label,
                QLineEdit::Normal, QString(), &ok);
            if (!self)
                return false;
            if (!ok) {   // Cancel, or the program is ending
                busy = false;
                return false;
            }
            answer = parsePortAnswer(text);
        }
        workspace.comPort = *answer;
    }
}

ControllerWindow::Attempt ControllerWindow::connectOnce(qint16 port)
{
    if (!link->open(port)) {
        lastFailure = link->openFailure();
        return Attempt::Failed;
    }
    QByteArray greeting;
    // The main window stays usable while the board boots and greets, so
    // this wait lets every event through.
    switch (link->waitForLine(greeting, greetingBound, QEventLoop::AllEvents)) {
    case SerialLink::WaitEnd::LineFeed:
        setLog(QString::fromLatin1(greeting));
        return Attempt::Ready;
    case SerialLink::WaitEnd::TooLong:
        // Something talks on this port: show what it said, so the user can
        // tell a wrong device or speed from a board that is not there.
        setLog(QString::fromLatin1(greeting));
        appendNotice(tooLongNotice(QStringLiteral("greeting")));
        return Attempt::Ready;
    case SerialLink::WaitEnd::Interrupted:
        return Attempt::Interrupted;   // this window may be gone: touch nothing
    case SerialLink::WaitEnd::TimedOut:
        lastFailure = {PortFailure::Kind::NoGreeting, port, link->deviceName(), {}, greetingBound};
        break;
    case SerialLink::WaitEnd::Quiet:
    case SerialLink::WaitEnd::Failed:
        lastFailure = {PortFailure::Kind::Other, port, link->deviceName(), link->errorText(), {}};
        break;
    }
    return Attempt::Failed;
}

void ControllerWindow::sendTimeClicked()
{
    if (busy)
        return;
    busy = true;
    // The label as shown, even when it lags the clock by a few seconds.
    send(timeMessage(label1->text()));
    endBusy();
}

void ControllerWindow::sendProgramClicked()
{
    if (busy)
        return;
    busy = true;
    const QByteArray lineA = programLine('a', workspace.daySlots, 0);
    const QByteArray lineB = programLine('b', workspace.daySlots, 48);
    text1->setText(QString::fromLatin1(lineA));
    text2->setText(QString::fromLatin1(lineB));
    // Show the lines from their command letter on.
    text1->setCursorPosition(0);
    text2->setCursorPosition(0);
    if (send(lineA))
        send(lineB);
    endBusy();
}

void ControllerWindow::getTimeClicked()
{
    query('z', true);
}

void ControllerWindow::query(char letter, bool asTime)
{
    if (busy)
        return;
    busy = true;
    const QPointer<ControllerWindow> self(this);
    if (!lateReplyWindow.hasExpired()) {
        // A late answer to the query that gave up must not pass for this one's.
        const SerialLink::WaitEnd settled = link->waitForQuiet(
            quietTime, lateReplyWindow, settleBound, QEventLoop::ExcludeUserInputEvents);
        if (!self || settled == SerialLink::WaitEnd::Interrupted)
            return;
        lateReplyWindow = QDeadlineTimer();
    }
    if (!drain() || !send(queryMessage(letter))) {
        endBusy();
        return;
    }

    QByteArray reply;
    // A query holds the window until the answer is in, so that clicks cannot
    // interleave exchanges on the one line. User input waits in the queue
    // (a close takes effect afterwards); the port, timers and the other
    // windows' painting go on. Blocking in QSerialPort::waitForReadyRead
    // would also stop every other event source on this thread.
    const SerialLink::WaitEnd end =
        link->waitForLine(reply, replyBound, QEventLoop::ExcludeUserInputEvents);
    if (!self)
        return;
    switch (end) {
    case SerialLink::WaitEnd::LineFeed:
        appendLog(asTime ? controllerTimeText(reply) + QStringLiteral("\r\n")
                         : QString::fromLatin1(reply));
        break;
    case SerialLink::WaitEnd::TimedOut:
        appendLog(QString::fromLatin1(reply));
        appendNotice(QStringLiteral("The controller did not answer."));
        lateReplyWindow.setRemainingTime(lateReplyGrace);
        break;
    case SerialLink::WaitEnd::TooLong:
        appendLog(QString::fromLatin1(reply));
        appendNotice(tooLongNotice(QStringLiteral("answer")));
        lateReplyWindow.setRemainingTime(lateReplyGrace);
        break;
    case SerialLink::WaitEnd::Failed:
        appendLog(QString::fromLatin1(reply));
        appendNotice(QStringLiteral("Could not read from the controller: ") + link->errorText());
        break;
    case SerialLink::WaitEnd::Quiet:
    case SerialLink::WaitEnd::Interrupted:
        return;   // the program is ending
    }
    endBusy();
}

void ControllerWindow::getit()
{
    if (busy)
        return;
    busy = true;
    const QPointer<ControllerWindow> self(this);
    QByteArray text;
    const SerialLink::WaitEnd end = link->waitForLine(text, replyBound, QEventLoop::AllEvents);
    if (!self)
        return;
    if (end == SerialLink::WaitEnd::LineFeed)
        setLog(QString::fromLatin1(text));
    endBusy();
}

bool ControllerWindow::drain()
{
    // Whatever came unasked (the answer to "t", "a" or "b", a late line)
    // must not be taken for the reply to the next query.
    if (link->discardInput())
        return true;
    appendNotice(QStringLiteral("Could not read from the controller: ") + link->errorText());
    return false;
}

bool ControllerWindow::send(const QByteArray &message)
{
    if (link->write(message))
        return true;
    appendNotice(QStringLiteral("Could not send to the controller: ") + link->errorText());
    return false;
}

void ControllerWindow::linkFailed(const QString &text)
{
    // Failures inside an exchange are reported by the exchange itself.
    if (!busy)
        appendNotice(QStringLiteral("The serial link failed: ") + text);
}

void ControllerWindow::endBusy()
{
    busy = false;
    if (closeWhenIdle) {
        closeWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void ControllerWindow::setLog(const QString &text)
{
    log.clear();
    settingLog = true;
    text3->clear();
    settingLog = false;
    appendLog(text);
}

void ControllerWindow::appendLog(const QString &text)
{
    if (text.isEmpty())
        return;
    // Appended, not rebuilt, and only a tail kept: a log that grows for
    // hours costs the same as a short one.
    log += text;
    trimToTail(log);
    settingLog = true;
    QTextCursor end(text3->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    QTextDocument *document = text3->document();
    if (document->characterCount() > logCharacterBound) {
        QTextCursor head(document);
        head.setPosition(document->characterCount() - logCharacterBound);
        head.movePosition(QTextCursor::EndOfBlock);
        head.movePosition(QTextCursor::NextBlock);
        head.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    settingLog = false;
    text3->moveCursor(QTextCursor::End);
    text3->ensureCursorVisible();
}

void ControllerWindow::appendNotice(const QString &line)
{
    QString text;
    if (!log.isEmpty() && !log.endsWith(u'\n'))
        text = QStringLiteral("\r\n");
    appendLog(text + line + QStringLiteral("\r\n"));
}

void ControllerWindow::logEdited()
{
    // What the user types stays part of the log the replies append to; the
    // widget keeps no carriage returns, so an edited log has none either.
    if (!settingLog)
        log = text3->toPlainText();
}

void ControllerWindow::closeEvent(QCloseEvent *event)
{
    if (busy) {
        // A query holds the window until its answer is in.
        closeWhenIdle = true;
        event->ignore();
        return;
    }
    if (QWidget *mainWindow = parentWidget()) {
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    hide();
    event->accept();
}
