// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// Texts of the prompt that asks for another port number after an attempt to
// reach the board failed.

// "com port is" followed by the number in signed-integer form: " 10", "-1".
QString portPromptTitle(qint16 failedPort);

// The prompt's text: "enter com port #" as its first line, then why the
// last port failed and the list of ports, each after a blank line.
QString portPromptLabel(const QString &failure, const QString &portList);

// The typed answer as a port number: a decimal number in -32768..32767 with
// blanks around it allowed and a fraction rounded to the nearest whole number
// (a half to the even neighbour, as BASIC's integer conversion does). Empty
// when the answer is no such number, and the prompt asks again.
std::optional<qint16> parsePortAnswer(const QString &answer);
