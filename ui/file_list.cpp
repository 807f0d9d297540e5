// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_list.h"

#include "schedule_file/schedule_file.h"

#include <QDir>
#include <QFocusEvent>

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!selectedItems().isEmpty())
            emit clicked();
    });
    // The highlighted entry is the selected one, however the keyboard got
    // there (taking the focus, Ctrl+arrows): Load Times takes what it shows.
    connect(this, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item && !item->isSelected())
            setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    });
}

void FileList::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    if (!currentItem() && count() > 0 && event->reason() != Qt::MouseFocusReason)
        setCurrentRow(0);
}

void FileList::setPath(const QString &newFolder)
{
    folder = newFolder;
    // Refilling is no selection by the user.
    const QSignalBlocker quiet(this);
    clear();
    // Only what Load can read: regular files and links to them, not the
    // devices, pipes or sockets (or links to them) a folder may hold.
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::System, QDir::Name | QDir::IgnoreCase)) {
        if (isRegularFile(dir.filePath(name)))
            addItem(name);
    }
}

void FileList::reread()
{
    const QString selected = fileName();
    setPath(folder);
    const QList<QListWidgetItem *> same = findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !same.isEmpty()) {
        const QSignalBlocker quiet(this);
        setCurrentItem(same.first(), QItemSelectionModel::ClearAndSelect);
    }
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
