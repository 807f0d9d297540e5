// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/port_prompt.h"

#include <QCoreApplication>

#include "schedule/number_format.h"

QString portPromptTitle(qint16 failedPort)
{
    return QCoreApplication::translate("PortPrompt", "com port is") + formatSignedInteger(failedPort);
}

QString portPromptLabel(const QString &failure, const QString &portList)
{
    return QCoreApplication::translate("PortPrompt", "enter com port #") + QStringLiteral("\n\n") + failure
        + QStringLiteral("\n\n") + portList;
}

std::optional<qint16> parsePortAnswer(const QString &answer)
{
    // Blanks around the number are ASCII white space, nothing wider; a
    // character beyond ASCII turns into bytes no number holds.
    const QByteArray bytes = answer.toUtf8();
    const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype first = 0, last = bytes.size();
    while (first < last && isBlank(bytes[first]))
        ++first;
    while (last > first && isBlank(bytes[last - 1]))
        --last;
    const QByteArrayView text = QByteArrayView(bytes).sliced(first, last - first);
    const DecimalNumber number = readDecimal(text, Exponent::Refused);
    if (number.length == 0 || number.length != text.size())
        return std::nullopt;
    return roundedInt16(number.value);
}
