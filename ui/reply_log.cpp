// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/reply_log.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// How a line ended, kept as its block's user state. A line the user made
// with Enter has the default state, a line feed.
enum Ending : int { lineFeed = -1, crLf = 1, carriageReturn = 2 };

QString endingText(int state)
{
    switch (state) {
    case crLf: return QStringLiteral("\r\n");
    case carriageReturn: return QStringLiteral("\r");
    default: return QStringLiteral("\n");
    }
}
}

ReplyLog::ReplyLog(QPlainTextEdit *view_) : view(view_)
{
    view->setMaximumBlockCount(lineBound + 1);
}

void ReplyLog::replace(const QString &text)
{
    view->clear();
    append(text);
}

void ReplyLog::append(const QString &text)
{
    if (text.isEmpty())
        return;
    QTextDocument *document = view->document();
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    qsizetype from = 0;
    // A CR that ended the log and the LF that starts this text are one line end.
    const QTextBlock last = document->lastBlock();
    if (text.front() == u'\n' && last.text().isEmpty() && last.previous().isValid()
        && last.previous().userState() == carriageReturn) {
        QTextBlock previous = last.previous();
        previous.setUserState(crLf);
        from = 1;
    }
    // Appended, not rebuilt: a log that grows for hours costs the same as a
    // short one.
    while (from < text.size()) {
        qsizetype at = from;
        while (at < text.size() && text[at] != u'\n' && text[at] != u'\r')
            ++at;
        end.insertText(text.mid(from, at - from));
        if (at == text.size())
            break;
        int ending = lineFeed;
        if (text[at] == u'\r') {
            ending = at + 1 < text.size() && text[at + 1] == u'\n' ? crLf : carriageReturn;
            at += ending == crLf ? 2 : 1;
        } else {
            ++at;
        }
        QTextBlock ended = end.block();
        end.insertBlock();
        ended.setUserState(ending);
        end.block().setUserState(lineFeed);
        from = at;
    }
    end.endEditBlock();
    if (document->characterCount() > characterBound) {
        QTextCursor head(document);
        head.setPosition(document->characterCount() - characterBound);
        head.movePosition(QTextCursor::EndOfBlock);
        head.movePosition(QTextCursor::NextBlock);
        head.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
    view->moveCursor(QTextCursor::End);
    view->ensureCursorVisible();
}

void ReplyLog::appendNotice(const QString &line)
{
    const QTextDocument *document = view->document();
    const QTextBlock last = document->lastBlock();
    // A lone CR is no line end here, as a line feed is.
    const bool endsInLine = document->isEmpty()
        || (last.text().isEmpty() && last.previous().userState() != carriageReturn);
    append((endsInLine ? QString() : QStringLiteral("\r\n")) + line + QStringLiteral("\r\n"));
}

QString ReplyLog::text() const
{
    QString all;
    for (QTextBlock b = view->document()->firstBlock(); b.isValid(); b = b.next()) {
        all += b.text();
        if (b.next().isValid())
            all += endingText(b.userState());
    }
    return all;
}
