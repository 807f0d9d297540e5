// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

// The folder list: the current folder with its parents above it and its
// subfolders below. Opening an entry (double-click or Enter) makes it the
// current folder.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    QString path() const { return current; }

    // Moves to folder. A folder that does not exist or cannot be read is
    // refused: false, and the list stays where it was.
    bool setPath(const QString &folder);

    // The folder an entry stands for.
    static QString entryPath(const QListWidgetItem *item);

signals:
    // The current folder changed, by the user or by setPath.
    void pathChanged(const QString &path);

    // The user opened an entry whose folder could not be read.
    void openFailed(const QString &path);

private:
    void refill();
    void entryOpened(QListWidgetItem *item);

    QString current;
};
