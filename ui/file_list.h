// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

// The file list: the files of one folder that can be loaded (regular files
// and links to them), one of which can be selected. The entry the keyboard
// highlights is always the selected one; taking the focus from the keyboard
// highlights the first when none is.
class FileList : public QListWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);

    QString path() const { return folder; }

    // Lists the files of a folder, with nothing selected.
    void setPath(const QString &folder);
    // Lists the same folder again as it is now, the selected file still
    // selected when it is still there.
    void reread();

    // The selected entry's name without its folder; empty when none is selected.
    QString fileName() const;

protected:
    void focusInEvent(QFocusEvent *event) override;

signals:
    // The user selected an entry, with the mouse or the keyboard.
    void clicked();

private:
    QString folder;
};
