#include "schedule_file/file_list.h"

#include <QDir>

FileList::FileList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!refilling && !selectedItems().isEmpty())
            emit clicked();
    });
}

void FileList::setPath(const QString &newFolder)
{
    folder = newFolder;
    refilling = true;
    clear();
    addItems(QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    refilling = false;
}

QString FileList::fileName() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
