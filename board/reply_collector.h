// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Collects one reply from the board as its bytes arrive in reads of any
// size: complete with the read that brings a line feed (the bytes after it in
// that read belong to the reply too), and never longer than a bound, so a
// flood from a broken board or a wrong baud rate costs no more than a line.
class ReplyCollector
{
public:
    enum class State { Waiting, Complete, TooLong };

    // The longest real answer is about 50 bytes.
    static constexpr qsizetype defaultBound = 4096;

    explicit ReplyCollector(qsizetype bound = defaultBound) : limit(bound) {}

    // Takes the bytes of one read. Once complete or too long, takes nothing more.
    State add(QByteArrayView read);

    State state() const { return current; }
    // What was collected, at most bound() bytes; cut short when TooLong.
    const QByteArray &text() const { return collected; }
    qsizetype bound() const { return limit; }

private:
    qsizetype limit;
    QByteArray collected;
    State current = State::Waiting;
};
