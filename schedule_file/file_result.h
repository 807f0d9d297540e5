// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What a save or a load hands back to the window: empty message on success,
// otherwise a sentence naming the file and the cause, ready for a message box.
struct FileResult
{
    QString message;

    bool ok() const { return message.isEmpty(); }
    static FileResult success() { return {}; }
    static FileResult failure(const QString &text) { return {text}; }
};
