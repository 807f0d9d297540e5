#include "controller/port_prompt.h"

#include "schedule/number_format.h"

#include <QRegularExpression>
#include <cmath>

QString portPromptTitle(qint16 failedPort)
{
    return QStringLiteral("com port is") + formatSignedInteger(failedPort);
}

QString portPromptLabel(const QString &failure, const QString &portList)
{
    return QStringLiteral("enter com port #\n\n") + failure + QStringLiteral("\n\n") + portList;
}

std::optional<qint16> parsePortAnswer(const QString &answer)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))\\s*$"));
    const QRegularExpressionMatch m = number.match(answer);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = m.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const double whole = std::nearbyint(value);
    if (whole < -32768.0 || whole > 32767.0)
        return std::nullopt;
    return qint16(whole);
}
