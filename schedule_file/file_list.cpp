#include "schedule_file/file_list.h"

#include "schedule_file/schedule_file.h"

#include <QDir>

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!selectedItems().isEmpty())
            emit clicked();
    });
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

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
