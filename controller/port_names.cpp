#include "controller/port_names.h"

#include <QFileInfo>
#include <QStandardPaths>

QString portLinkFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)
           + QStringLiteral("/daywheel/ports");
}

QString portDeviceName(qint16 number)
{
#ifdef Q_OS_WIN
    return number > 0 ? QStringLiteral("COM%1").arg(number) : QString();
#else
    const QFileInfo alias(portLinkFolder() + QStringLiteral("/com%1").arg(number));
    if (alias.isSymLink() || alias.exists()) {
        // Open the device itself so that the port's lock file names the
        // device, whichever alias reached it. A dangling alias stays as it
        // is and fails to open with "not found".
        const QString target = alias.canonicalFilePath();
        return target.isEmpty() ? alias.absoluteFilePath() : target;
    }
#ifdef Q_OS_LINUX
    struct Range { int first; const char *prefix; };
    static constexpr Range ranges[] = {{1, "/dev/ttyS"}, {33, "/dev/ttyUSB"}, {65, "/dev/ttyACM"}};
    for (const Range &r : ranges) {
        if (number >= r.first && number < r.first + 32)
            return QString::fromLatin1(r.prefix) + QString::number(number - r.first);
    }
#endif
    return QString();
#endif
}
