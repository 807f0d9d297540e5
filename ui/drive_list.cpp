// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/drive_list.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {
constexpr int rootRole = Qt::UserRole;
}

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    addDrive(systemDrive);
    QStringList seen{systemDrive};
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo &a, const QStorageInfo &b) {
        return a.rootPath() < b.rootPath();
    });
    for (const QStorageInfo &volume : volumes) {
        // Some mounts are single files bound into place; only folders can be browsed.
        const QString root = volume.rootPath();
        if (!volume.isValid() || seen.contains(root) || !QFileInfo(root).isDir())
            continue;
        seen << root;
        addDrive(root, volume.name());
    }
    setCurrentIndex(0);

    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            emit driveChanged(itemData(index, rootRole).toString());
    });
}

QString DriveList::drive() const
{
    return currentData(rootRole).toString();
}

bool DriveList::setDrive(const QString &root)
{
    const int index = findData(root, rootRole);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

void DriveList::addDrive(const QString &root, const QString &name)
{
    const QString text = name.isEmpty() ? root : QStringLiteral("%1 [%2]").arg(root, name);
    addItem(text, root);
}
