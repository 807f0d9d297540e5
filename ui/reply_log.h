// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QPlainTextEdit;

// The controller window's log of greetings, replies and notices. Its text
// lives in the text box's document alone; each line remembers how it ended
// (LF, CR LF or a lone CR), so text() gives back exactly what was received.
// Only a tail is kept: the last lineBound lines, at most characterBound
// characters.
class ReplyLog
{
public:
    static constexpr int lineBound = 10000;
    static constexpr int characterBound = 1 << 20;

    explicit ReplyLog(QPlainTextEdit *view);

    void replace(const QString &text);
    void append(const QString &text);
    // A line of its own, after a line end if the log does not end in one.
    void appendNotice(const QString &line);
    QString text() const;

private:
    QPlainTextEdit *view;
};
