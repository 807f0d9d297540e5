// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "board/port_failure.h"
#include "board/reply_collector.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>

class SerialLink;

// The exchanges with the board, one at a time and in the order
// they were asked for, driven by the port's signals and timers alone: nothing
// here waits. Each exchange ends in one finished() signal; idle() follows
// once none is left.
class BoardLink : public QObject
{
    Q_OBJECT
public:
    enum class Exchange {
        Connect,   // open the port and wait for the greeting
        Send,      // write lines, read nothing
        Ask,       // let a late reply pass, report what came unasked, send, read one line
        Listen,    // read the next line, nothing sent or dropped
    };
    enum class Outcome {
        Done,         // sent, or a line came (reply holds it, line feed included)
        TooLong,      // no line feed within ReplyCollector::defaultBound bytes
        TimedOut,     // the bound passed; reply holds what did arrive
        ReadFailed,   // the port failed while reading or dropping input
        SendFailed,   // the port failed while writing
        OpenFailed,   // Connect only: the port did not open or greet; see failure
    };
    struct Result
    {
        Exchange exchange = Exchange::Send;
        QByteArray request;   // the query or lines sent
        Outcome outcome = Outcome::Done;
        QByteArray reply;
        QString error;        // the port's words for ReadFailed and SendFailed
        PortFailure failure;  // for OpenFailed
        bool ok() const { return outcome == Outcome::Done; }
    };

    struct Bounds
    {
        std::chrono::milliseconds greeting{10000};   // a board that resets on open boots in about 2 s
        std::chrono::milliseconds reply{3000};
    };
    // After an answer did not come, it may still come this much later; the
    // next question waits that out, and for a short silence, before it asks.
    static constexpr std::chrono::milliseconds lateReplyGrace{2000};
    static constexpr std::chrono::milliseconds quietTime{200};
    static constexpr std::chrono::milliseconds settleBound{5000};
    // Exchanges waiting their turn beyond this are refused.
    static constexpr std::size_t queueBound = 16;
    // How long release() lets written bytes go out before it closes the port.
    static constexpr std::chrono::milliseconds releaseBound{1000};

    // Makes a Send's lines when its turn comes, for lines that carry the
    // time they are sent at; that turn waits until the bytes written before
    // have left at the line's rate, or the time would queue behind them.
    using LineMaker = std::function<QList<QByteArray>()>;

    explicit BoardLink(QObject *parent = nullptr);
    ~BoardLink() override;

    void setBounds(Bounds bounds) { limits = bounds; }
    Bounds bounds() const { return limits; }

    // Each returns false when the queue is full and the exchange refused.
    bool connectTo(qint16 port);
    bool connectToDevice(const QString &path);
    bool send(const QList<QByteArray> &lines);
    bool send(LineMaker makeLines);
    bool ask(const QByteArray &query);
    bool listen();

    // Forgets the exchanges still waiting; the running one ends as it would.
    void dropWaiting();
    bool isIdle() const { return !running; }

    void close();
    // Ends the link for good: nothing waiting or running goes on and no
    // result is reported; bytes already written go out (releaseBound at
    // most), then the port closes and released() follows. Nothing can be
    // asked for after it.
    void release();
    SerialLink *serialLink() const { return serial; }

signals:
    void finished(const BoardLink::Result &result);
    void idle();
    // An Ask waits for the line to fall quiet before it asks (see lateReplyGrace).
    void settling();
    void released();
    // The port failed while no exchange was running (a board unplugged).
    void failedWhileIdle(const QString &text);
    // A line no exchange waited for (a late reply, a refusal of a line sent,
    // a greeting after a restart), line end kept; or what had come of one
    // when a question went out. Of a line longer than
    // ReplyCollector::defaultBound only that much comes, tooLong set; the
    // rest is thrown away.
    void unasked(const QByteArray &line, bool tooLong);

private:
    struct Task
    {
        Exchange exchange;
        qint16 port = 0;
        QList<QByteArray> lines;
        QString device;   // Connect by path instead of by number
        LineMaker makeLines;   // Send: made when its turn comes
    };
    enum class Phase { None, Greeting, Settling, Reading };

    bool enqueue(Task task);
    void startNext();
    void begin();
    void askNow();
    void awaitLine(std::chrono::milliseconds bound, Phase phase);
    void portReadable();
    void lineEnded();
    void boundPassed();
    void portFailed(const QString &text);
    void finish(Outcome outcome, const QString &error = {}, const PortFailure &failure = {});
    void letGo();
    bool takeUnasked();
    void strayLines(bool cutShort);
    bool write(const QByteArray &bytes);

    SerialLink *serial;
    Bounds limits;
    std::deque<Task> waiting;
    Task current{Exchange::Send, 0, {}, {}, {}};
    bool running = false;
    bool releasing = false;
    bool starting = false;   // in startNext(): a finish there must not recurse
    Phase phase = Phase::None;
    ReplyCollector collector;
    QByteArray stray;   // unasked bytes short of a line end
    bool skipping = false;   // the rest of an unasked line that was too long
    QTimer bound;
    QTimer silence;
    QTimer drain;
    QTimer wireBusy;
    QDeadlineTimer wireFree;   // when what was written will have left
    QDeadlineTimer releaseDeadline;
    QDeadlineTimer lateReplyWindow;   // a given-up reply may still arrive until then
};
