// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

class DriveList;
class FileList;
class FolderList;
class QLabel;
class QLineEdit;
class QPushButton;
class ShapeWidget;
struct WindowLayout;
struct Workspace;

// The file window: pick a drive, a folder and a file, or type a name, then
// save the day schedule to it or load it from there. After a save, or a load
// that found its file, it hands back to the main window and hides; closing it
// destroys it.
class FileWindow : public QWidget
{
    Q_OBJECT
public:
    // What each control of the layout is for.
    enum class Role {
        PanelFrame,    // the box around the save and load hints and buttons
        PanelRule,     // the line between the save half and the load half
        FileList,
        DriveList,
        FolderList,
        SaveHint,
        NameEdit,      // the name Save writes to
        SaveButton,
        LoadHint,
        LoadButton,
        PathCaption,
        PathLabel,     // the folder shown, or the file last saved
        NameCaption,
        NameLabel,     // the file last selected in the list
    };

    // Every control of the window, back to front.
    static const WindowLayout &layout();

    FileWindow(Workspace &workspace, QWidget *mainWindow, QWidget *parent = nullptr);

private:
    void driveChanged(const QString &root);
    void folderChanged(const QString &path);
    void fileClicked();
    void folderOpenFailed(const QString &path);
    // "Save Times": writes the table to the folder of the file list under
    // the name in the text box.
    void saveTimes();
    // "Load Times": replaces the table from the file selected in the list.
    void loadTimes();
    void handBack();
    void report(const QString &text, bool failure);

    Workspace &workspace;
    QPointer<QWidget> mainWindow;
    QString acceptedDrive;   // the drive the folder list is on

    DriveList *driveList;
    FolderList *folderList;
    FileList *fileList;
    QLineEdit *nameEdit;
    QPushButton *saveButton, *loadButton;
    QLabel *pathLabel, *nameLabel;
};
