// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/board_link.h"

#include "board/known_boards.h"
#include "board/serial_link.h"
#include "board/wire_format.h"

#include <QPointer>
#include <QSerialPort>

BoardLink::BoardLink(QObject *parent)
    : QObject(parent), serial(new SerialLink(this))
{
    for (QTimer *t : {&bound, &silence, &wireBusy}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&bound, &QTimer::timeout, this, &BoardLink::boundPassed);
    connect(&wireBusy, &QTimer::timeout, this, &BoardLink::begin);
    drain.setInterval(10);
    connect(&drain, &QTimer::timeout, this, &BoardLink::letGo);
    connect(&silence, &QTimer::timeout, this, [this] {
        // The late reply had its time and the line is quiet: ask now.
        bound.stop();
        lateReplyWindow = QDeadlineTimer();
        askNow();
    });
    connect(serial->port(), &QSerialPort::readyRead, this, &BoardLink::portReadable);
    connect(serial, &SerialLink::failed, this, &BoardLink::portFailed);
}

BoardLink::~BoardLink() = default;

bool BoardLink::connectTo(qint16 port)
{
    return enqueue({Exchange::Connect, port, {}, {}, {}});
}

bool BoardLink::connectToDevice(const QString &path)
{
    return enqueue({Exchange::Connect, 0, {}, path, {}});
}

bool BoardLink::send(const QList<QByteArray> &lines)
{
    return enqueue({Exchange::Send, 0, lines, {}, {}});
}

bool BoardLink::send(LineMaker makeLines)
{
    return enqueue({Exchange::Send, 0, {}, {}, std::move(makeLines)});
}

bool BoardLink::ask(const QByteArray &query)
{
    return enqueue({Exchange::Ask, 0, {query}, {}, {}});
}

bool BoardLink::listen()
{
    return enqueue({Exchange::Listen, 0, {}, {}, {}});
}

void BoardLink::dropWaiting()
{
    waiting.clear();
}

void BoardLink::close()
{
    serial->close();
}

void BoardLink::release()
{
    if (releasing)
        return;
    releasing = true;
    // The running exchange is abandoned where it stands: its answer would
    // reach nobody.
    waiting.clear();
    bound.stop();
    silence.stop();
    wireBusy.stop();
    phase = Phase::None;
    running = false;
    releaseDeadline.setRemainingTime(releaseBound);
    letGo();
}

void BoardLink::letGo()
{
    // Closing a port with bytes still to send waits for them, and the
    // window thread with it: let them go out first, within the bound.
    if (serial->unsentBytes() > 0) {
        if (!releaseDeadline.hasExpired()) {
            drain.start();
            return;
        }
        serial->port()->clear(QSerialPort::Output);
    }
    drain.stop();
    serial->close();
    emit released();
}

bool BoardLink::enqueue(Task task)
{
    if (releasing || waiting.size() >= queueBound)
        return false;
    waiting.push_back(std::move(task));
    startNext();
    return true;
}

void BoardLink::startNext()
{
    // An exchange that ends at once (a write) comes back here through
    // finish(); the loop takes the next one instead of recursing.
    if (starting)
        return;
    starting = true;
    const QPointer<BoardLink> self(this);
    while (!running && !waiting.empty()) {
        current = std::move(waiting.front());
        waiting.pop_front();
        running = true;
        begin();
        if (!self)
            return;
    }
    starting = false;
    if (!running)
        emit idle();
}

void BoardLink::begin()
{
    collector = ReplyCollector();
    switch (current.exchange) {
    case Exchange::Connect:
        stray.clear();
        skipping = false;
        wireFree = QDeadlineTimer();
        if (!(current.device.isEmpty() ? serial->open(current.port) : serial->openDevice(current.device))) {
            finish(Outcome::OpenFailed, {}, serial->openFailure());
            return;
        }
        awaitLine(limits.greeting, Phase::Greeting);
        return;
    case Exchange::Send:
        if (current.makeLines) {
            if (!wireFree.hasExpired()) {
                wireBusy.start(std::chrono::ceil<std::chrono::milliseconds>(wireFree.remainingTimeAsDuration()));
                return;
            }
            current.lines = current.makeLines();
        }
        for (const QByteArray &line : std::as_const(current.lines)) {
            if (!write(line)) {
                finish(Outcome::SendFailed, serial->errorText());
                return;
            }
        }
        finish(Outcome::Done);
        return;
    case Exchange::Ask:
        takeUnasked();
        if (!lateReplyWindow.hasExpired() || !stray.isEmpty() || skipping) {
            // A late answer to the question that gave up, or the rest of a
            // line under way, must not pass for this one's: show what comes
            // until the line has been quiet.
            phase = Phase::Settling;
            stray += serial->readAvailable();
            strayLines(false);
            silence.start(std::max(quietTime, std::chrono::milliseconds(lateReplyWindow.remainingTime())));
            bound.start(settleBound);
            emit settling();
            return;
        }
        askNow();
        return;
    case Exchange::Listen:
        awaitLine(limits.reply, Phase::Reading);
        return;
    }
}

bool BoardLink::write(const QByteArray &bytes)
{
    const std::chrono::nanoseconds queued = wireFree.hasExpired() ? std::chrono::nanoseconds(0) : wireFree.remainingTimeAsDuration();
    wireFree = QDeadlineTimer(queued + std::chrono::nanoseconds(qint64(wireSeconds(bytes.size()) * 1e9)), Qt::PreciseTimer);
    return serial->write(bytes);
}

void BoardLink::askNow()
{
    phase = Phase::None;
    // Whatever came unasked (the answer to a time set or a store, a late
    // line) must not be taken for the reply, nor lost.
    if (!takeUnasked()) {
        finish(Outcome::ReadFailed, serial->errorText());
        return;
    }
    strayLines(true);
    // What the system holds but the port has not read yet came within the
    // last few ms, and would be taken for the reply.
    if (!serial->discardInput()) {
        finish(Outcome::ReadFailed, serial->errorText());
        return;
    }
    if (!write(current.lines.value(0))) {
        finish(Outcome::SendFailed, serial->errorText());
        return;
    }
    awaitLine(limits.reply, Phase::Reading);
}

void BoardLink::awaitLine(std::chrono::milliseconds limit, Phase next)
{
    phase = next;
    if (collector.add(serial->readAvailable()) != ReplyCollector::State::Waiting) {
        lineEnded();
        return;
    }
    if (!serial->usable()) {
        portFailed(serial->errorText());
        return;
    }
    bound.start(limit);
}

void BoardLink::portReadable()
{
    switch (phase) {
    case Phase::Settling:
        stray += serial->readAvailable();
        strayLines(false);
        silence.start(std::max(quietTime, std::chrono::milliseconds(lateReplyWindow.remainingTime())));
        break;
    case Phase::Greeting:
    case Phase::Reading:
        if (collector.add(serial->readAvailable()) != ReplyCollector::State::Waiting)
            lineEnded();
        break;
    case Phase::None:
        // Between exchanges, or while one writes: shown as it comes.
        if (!running)
            takeUnasked();
        break;
    }
}

bool BoardLink::takeUnasked()
{
    if (!serial->usable())
        return false;
    stray += serial->readAvailable();
    strayLines(false);
    return true;
}

void BoardLink::strayLines(bool cutShort)
{
    const QPointer<BoardLink> self(this);
    const qsizetype bound = ReplyCollector::defaultBound;
    for (;;) {
        const qsizetype end = stray.indexOf('\n');
        QByteArray line;
        bool tooLong = false;
        if (skipping) {
            stray.remove(0, end < 0 ? stray.size() : end + 1);
            skipping = end < 0 && !cutShort;
            if (end < 0)
                return;
            continue;
        }
        if (end >= 0 && end < bound) {
            line = stray.left(end + 1);
        } else if (stray.size() >= bound) {
            line = stray.left(bound);
            tooLong = skipping = true;
        } else if (cutShort && !stray.isEmpty()) {
            line = stray;
        } else {
            return;
        }
        stray.remove(0, line.size());
        emit unasked(line, tooLong);
        if (!self)
            return;
    }
}

void BoardLink::lineEnded()
{
    if (collector.state() != ReplyCollector::State::TooLong) {
        // The device port 10 may open by itself from now on.
        if (phase == Phase::Greeting && isBoardGreeting(collector.text()))
            rememberBoard(serial->deviceName());
        finish(Outcome::Done);
        return;
    }
    // The rest of an endless line is no reply to anything.
    serial->discardInput();
    if (current.exchange == Exchange::Ask)
        lateReplyWindow.setRemainingTime(lateReplyGrace);
    finish(Outcome::TooLong);
}

void BoardLink::boundPassed()
{
    switch (phase) {
    case Phase::Greeting:
        finish(Outcome::OpenFailed, {},
               {PortFailure::Cause::NoGreeting, current.port, serial->deviceName(), {}, limits.greeting,
                !current.device.isEmpty()});
        break;
    case Phase::Reading:
        if (current.exchange == Exchange::Ask)
            lateReplyWindow.setRemainingTime(lateReplyGrace);
        finish(Outcome::TimedOut);
        break;
    case Phase::Settling:
        // The line kept talking: ask all the same, after a drain.
        silence.stop();
        lateReplyWindow = QDeadlineTimer();
        askNow();
        break;
    case Phase::None:
        break;
    }
}

void BoardLink::portFailed(const QString &text)
{
    switch (phase) {
    case Phase::None:
        // A failure inside an exchange is reported by the exchange itself.
        if (!running)
            emit failedWhileIdle(text);
        break;
    case Phase::Settling:
        silence.stop();
        bound.stop();
        lateReplyWindow = QDeadlineTimer();
        askNow();   // its drain reports the failure
        break;
    case Phase::Greeting:
        finish(Outcome::OpenFailed, {},
               {PortFailure::Cause::Other, current.port, serial->deviceName(), serial->errorText(), {},
                !current.device.isEmpty()});
        break;
    case Phase::Reading:
        finish(Outcome::ReadFailed, serial->errorText());
        break;
    }
}

void BoardLink::finish(Outcome outcome, const QString &error, const PortFailure &failure)
{
    Result result;
    result.exchange = current.exchange;
    result.request = current.lines.join();
    result.outcome = outcome;
    result.reply = collector.text();
    result.error = error;
    result.failure = failure;
    bound.stop();
    silence.stop();
    wireBusy.stop();
    phase = Phase::None;
    running = false;
    const QPointer<BoardLink> self(this);
    emit finished(result);
    if (self)
        startNext();
}
