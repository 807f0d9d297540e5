// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folder_list.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace {
constexpr int pathRole = Qt::UserRole;
const QString indentStep = QStringLiteral("  ");

bool readableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QListWidgetItem *entry(const QIcon &icon, const QString &text, const QString &path)
{
    auto *item = new QListWidgetItem(icon, text);
    item->setData(pathRole, path);
    return item;
}
}

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, &FolderList::entryOpened);
}

QString FolderList::entryPath(const QListWidgetItem *item)
{
    return item ? item->data(pathRole).toString() : QString();
}

bool FolderList::setPath(const QString &folder)
{
    if (!readableFolder(folder))
        return false;
    const QString cleaned = QDir::cleanPath(QDir(folder).absolutePath());
    if (cleaned == current)
        return true;
    current = cleaned;
    refill();
    emit pathChanged(current);
    return true;
}

void FolderList::entryOpened(QListWidgetItem *item)
{
    const QString target = entryPath(item);
    if (target.isEmpty() || target == current)
        return;
    if (!setPath(target))
        emit openFailed(target);
}

void FolderList::refill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain of open folders from the root down to the current one.
    QStringList chain;
    for (QDir d(current);; ) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    QString indent;
    QListWidgetItem *currentItem = nullptr;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        currentItem = entry(openIcon, indent + name, folder);
        addItem(currentItem);
        indent += indentStep;
    }

    const QFileInfoList subfolders =
        QDir(current).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &sub : subfolders)
        addItem(entry(closedIcon, indent + sub.fileName(), sub.absoluteFilePath()));

    setCurrentItem(currentItem);
}
