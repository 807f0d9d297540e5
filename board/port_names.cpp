// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/port_names.h"

#include "board/known_boards.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <limits>

bool isUsbSerial(const QString &location)
{
    static const QRegularExpression usb(QStringLiteral("^/dev/tty(ACM|USB)\\d+$"));
    return usb.match(location).hasMatch();
}

namespace {

struct Range
{
    int first;
    const char *prefix;
};
constexpr Range ranges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};

// The device when exactly one USB serial device is present and it is a
// board met before, else empty: with several, guessing could talk to the
// wrong one, and opening resets whatever it is.
QString loneKnownBoard(const QList<PresentPort> &present)
{
    const PresentPort *found = nullptr;
    for (const PresentPort &p : present) {
        if (!isUsbSerial(p.systemLocation))
            continue;
        if (found)
            return QString();
        found = &p;
    }
    return found && found->metBefore ? found->systemLocation : QString();
}

// The number whose place in the numbered table is `device`.
std::optional<qint16> tableNumber(const QString &device)
{
#ifdef Q_OS_WIN
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"));
    const QRegularExpressionMatch m = com.match(device);
    if (m.hasMatch() && m.captured(1).toInt() <= std::numeric_limits<qint16>::max())
        return qint16(m.captured(1).toInt());
#else
    for (const Range &r : ranges) {
        const QString prefix = QString::fromLatin1(r.prefix);
        if (!device.startsWith(prefix))
            continue;
        bool ok = false;
        const int index = device.mid(prefix.size()).toInt(&ok);
        if (ok && index >= 0 && index < 32 && device == prefix + QString::number(index))
            return qint16(r.first + index);
    }
#endif
    return std::nullopt;
}

QString numbersText(const QList<qint16> &numbers)
{
    if (numbers.isEmpty())
        return QStringLiteral("-");
    QStringList texts;
    for (qint16 n : numbers)
        texts << QString::number(n);
    return texts.join(QStringLiteral(", "));
}
}

QString portLinkFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
           + QStringLiteral("/daywheel/ports");
}

QString portDevice(qint16 number, const std::optional<PortAlias> &alias,
                   const QList<PresentPort> &present)
{
#ifdef Q_OS_WIN
    Q_UNUSED(alias);
    Q_UNUSED(present);
    return number > 0 ? QStringLiteral("COM%1").arg(number) : QString();
#else
    if (alias)
        return alias->device;
#ifdef Q_OS_LINUX
    if (number == defaultPort) {
        const QString usb = loneKnownBoard(present);
        if (!usb.isEmpty())
            return usb;
    }
    for (const Range &r : ranges) {
        if (number >= r.first && number < r.first + 32)
            return QString::fromLatin1(r.prefix) + QString::number(number - r.first);
    }
#else
    Q_UNUSED(number);
    Q_UNUSED(present);
#endif
    return QString();
#endif
}

std::optional<PortAlias> portAlias(qint16 number)
{
#ifdef Q_OS_WIN
    Q_UNUSED(number);
    return std::nullopt;
#else
    const QFileInfo alias(portLinkFolder() + QStringLiteral("/com%1").arg(number));
    if (!alias.isSymLink() && !alias.exists())
        return std::nullopt;
    // Open the device itself so that the port's lock file names the device,
    // whichever alias reached it. A dangling alias stays as it is and fails
    // to open with "not found".
    const QString target = alias.canonicalFilePath();
    if (target.isEmpty())
        return PortAlias{alias.absoluteFilePath(), false};
    return PortAlias{target, true};
#endif
}

PortAliases portAliases()
{
    PortAliases aliases;
    static const QRegularExpression name(QStringLiteral("^com(-?\\d+)$"));
    const QStringList entries = QDir(portLinkFolder()).entryList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch m = name.match(entry);
        bool ok = false;
        const int number = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
        // "com010" is no alias: port 10 looks for "com10".
        if (!ok || number < std::numeric_limits<qint16>::min()
            || number > std::numeric_limits<qint16>::max()
            || entry != QStringLiteral("com%1").arg(number))
            continue;
        if (const std::optional<PortAlias> alias = portAlias(qint16(number)))
            aliases.insert(qint16(number), *alias);
    }
    return aliases;
}

QList<PresentPort> presentPorts()
{
    QList<PresentPort> ports;
    const QStringList known = knownBoards();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString location = info.portName();   // "COM3", as port numbers name it
#else
        const QString location = info.systemLocation();
#endif
        const bool met = !known.isEmpty() && isUsbSerial(location) && known.contains(stableDeviceName(location));
        ports.append({location, info.description(), info.manufacturer(), met});
    }
    return ports;
}

QString portDeviceName(qint16 number)
{
    // Only port 10 without an alias depends on what is plugged in; asking
    // the system for its ports on every other open would be wasted.
    const std::optional<PortAlias> alias = portAlias(number);
    return portDevice(number, alias,
                      !alias && number == defaultPort ? presentPorts() : QList<PresentPort>{});
}

QString portListText(const PortAliases &aliases, const QList<PresentPort> &present)
{
    struct Line
    {
        QList<qint16> numbers;
        QString device;
        QString about;
    };
    QList<Line> lines;
    const auto add = [&](const QString &device, const QString &about) {
        for (const Line &l : lines) {
            if (l.device == device)
                return;
        }
        lines.append({{}, device, about});
    };
    for (const PresentPort &p : present)
        add(p.systemLocation, p.description.isEmpty() ? p.manufacturer : p.description);
    for (const PortAlias &a : aliases) {
        if (a.leadsSomewhere)
            add(a.device, QString());
    }
    if (lines.isEmpty())
        return QCoreApplication::translate("PortNames", "No serial port is present.");

    // A number belongs to a line only if it really opens that device: an
    // alias can take a number's place in the table, or port 10's.
    const auto opens = [&](qint16 number, const QString &device) {
        const std::optional<PortAlias> alias =
            aliases.contains(number) ? std::optional(aliases.value(number)) : std::nullopt;
        return portDevice(number, alias, present) == device;
    };
    for (Line &l : lines) {
        QList<qint16> candidates = aliases.keys();
        candidates << defaultPort;
        if (const std::optional<qint16> n = tableNumber(l.device))
            candidates << *n;
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        for (qint16 n : candidates) {
            if (opens(n, l.device))
                l.numbers << n;
        }
    }
    std::sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        const int first = a.numbers.isEmpty() ? std::numeric_limits<int>::max() : a.numbers.first();
        const int second = b.numbers.isEmpty() ? std::numeric_limits<int>::max() : b.numbers.first();
        return first != second ? first < second : a.device < b.device;
    });

    QStringList text{QCoreApplication::translate("PortNames", "Serial ports present:")};
    for (const Line &l : lines) {
        QString line = numbersText(l.numbers) + QStringLiteral("  ") + l.device;
        if (!l.about.isEmpty())
            line += QStringLiteral("  ") + l.about;
        text << line;
    }
    return text.join(u'\n');
}
