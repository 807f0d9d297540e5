// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/known_boards.h"

#include "protocol/daywheel_protocol.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
constexpr int keptBoards = 16;
constexpr qint64 settingsBound = 64 * 1024;   // far more than 16 names
constexpr int nameBound = 1024;
const QString boardsKey = QStringLiteral("boards/known");

QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/daywheel/boards.ini");
}

// Checked before QSettings reads it all: a regular file of a sane size, or
// none yet. A pipe put there would block the read.
bool usable(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.size() <= settingsBound);
}
}

QString stableDeviceName(const QString &device, const QString &folder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QFileInfoList links = QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot,
                                                           QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return QString();
}

bool isBoardGreeting(const QByteArray &greeting)
{
    return greeting.startsWith(DW_GREETING);
}

QStringList knownBoards()
{
    const QString path = settingsPath();
    if (!QFileInfo::exists(path) || !usable(path))
        return {};
    const QSettings settings(path, QSettings::IniFormat);
    QStringList names = settings.value(boardsKey).toStringList().mid(0, keptBoards);
    names.removeIf([](const QString &n) { return n.isEmpty() || n.size() > nameBound; });
    return names;
}

void rememberBoard(const QString &device, const QString &folder)
{
    const QString name = stableDeviceName(device, folder);
    if (name.isEmpty() || name.size() > nameBound)
        return;
    const QString path = settingsPath();
    if (!usable(path))
        return;
    QStringList names = knownBoards();
    if (names.value(0) == name)
        return;   // the usual case writes nothing
    names.removeAll(name);
    names.prepend(name);
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(boardsKey, names.mid(0, keptBoards));
}
