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

// The file window: pick a drive, a folder and a file, or type a name, then
// save the day schedule to it or load it from there. After a save, or a load
// that found its file, it hands back to the main window and hides; closing it
// destroys it.
struct Workspace;

class FileWindow : public QWidget
{
    Q_OBJECT
public:
    FileWindow(Workspace &workspace, QWidget *mainWindow, QWidget *parent = nullptr);

    // "Save Times": writes the table to the folder of the file list under
    // the name in the text box.
    void saveTimes();

    // "Load Times": replaces the table from the file selected in the list.
    void loadTimes();

private:
    void buildLayout();
    void driveChanged(const QString &root);
    void folderChanged(const QString &path);
    void fileClicked();
    void folderOpenFailed(const QString &path);
    void handBack();
    void report(const QString &text, bool failure);

    Workspace &workspace;
    QPointer<QWidget> mainWindow;
    QString acceptedDrive;   // the drive the folder list is on

    DriveList *drive1;
    FolderList *dir1;
    FileList *file1;
    ShapeWidget *shape1, *shape2;
    QLabel *label1, *label2, *label3, *label4, *label5, *label6;
    QLineEdit *text1;
    QPushButton *command1, *command2;
};
