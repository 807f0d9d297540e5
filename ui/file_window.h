// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

struct Workspace;
namespace Ui {
class FileWindow;
}

// The file window: pick a drive, a folder and a file, or type a name, then
// save the day schedule to it or load it from there. After a save, or a load
// that found its file, it hands back to the main window and hides; closing it
// destroys it.
class FileWindow : public QWidget
{
    Q_OBJECT
public:
    FileWindow(Workspace &workspace, QWidget *mainWindow, QWidget *parent = nullptr);
    ~FileWindow() override;

protected:
    // The folder may have changed while the window was hidden (a save).
    void showEvent(QShowEvent *event) override;

private:
    void driveChanged(const QString &root);
    void folderChanged(const QString &path);
    void fileClicked();
    void folderOpenFailed(const QString &path);
    // "Save Times": writes the day to the folder of the file list under
    // the name in the text box.
    void saveTimes();
    // "Load Times": replaces the day from the file selected in the list.
    void loadTimes();
    void handBack();
    void report(const QString &text, bool failure);

    Workspace &workspace;
    QPointer<QWidget> mainWindow;
    QString acceptedDrive;   // the drive the folder list is on

    std::unique_ptr<Ui::FileWindow> ui;
};
