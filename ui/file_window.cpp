// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_window.h"

#include "schedule/workspace.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "schedule_file/schedule_file.h"
#include "ui/layout_table.h"
#include "ui/shape_widget.h"
#include "ui/window_look.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <array>

namespace {
using Role = FileWindow::Role;
using Kind = ControlKind;

// The frames first, so every control lies above them.
const std::array controls{
    ControlRow{int(Role::PanelFrame), Kind::Rectangle, "Shape1", "", {3600, 120, 3015, 3615}},
    ControlRow{int(Role::PanelRule), Kind::Rectangle, "Shape2", "", {3600, 2400, 3015, 15}},
    ControlRow{int(Role::FileList), Kind::Custom, "File1", "", {240, 120, 1455, 3600}, 3, "Files"},
    ControlRow{int(Role::DriveList), Kind::Custom, "Drive1", "", {1800, 120, 1455, 315}, 1, "Drive"},
    ControlRow{int(Role::FolderList), Kind::Custom, "Dir1", "", {1800, 480, 1455, 3240}, 2, "Folders"},
    ControlRow{int(Role::SaveHint), Kind::Label, "Label1",
                "Choose directory, then enter name of file to save.  This program has no error "
                "handling so get it right the first time   :)",
                {4080, 240, 2175, 1095}},
    ControlRow{int(Role::NameEdit), Kind::LineEdit, "Text1", "suntime.txt", {4080, 1200, 2055, 375}, 4, "File name"},
    ControlRow{int(Role::SaveButton), Kind::Button, "Command1", "Save Times", {4320, 1680, 1095, 375}, 5},
    ControlRow{int(Role::LoadHint), Kind::Label, "Label3",
                "Select file first before pushing load button. Thank you :)", {3840, 2520, 2295, 495}},
    ControlRow{int(Role::LoadButton), Kind::Button, "Command2", "Load Times", {4320, 3120, 975, 375}, 6},
    ControlRow{int(Role::PathCaption), Kind::Label, "Label4", "Path:", {0, 3840, 495, 255}},
    ControlRow{int(Role::PathLabel), Kind::Label, "Label2", "", {720, 3840, 7695, 255}},
    ControlRow{int(Role::NameCaption), Kind::Label, "Label5", "Name:", {0, 4320, 495, 255}},
    ControlRow{int(Role::NameLabel), Kind::Label, "Label6", "", {720, 4320, 1815, 375}},
};

const WindowLayout windowLayout{"Form2", "Form2", 8505, 4980, controls};

// The three lists are the window's only controls of its own kinds.
QWidget *makeList(const ControlRow &row, QWidget *parent)
{
    if (Role(row.role) == Role::FileList)
        return new FileList(parent);
    if (Role(row.role) == Role::DriveList)
        return new DriveList(parent);
    return new FolderList(parent);
}

// The folder a drive opens on: for the system drive the folder the program
// was started in, for the others their top folder.
QString driveFolder(const QString &root)
{
    return root == DriveList::systemDrive ? QDir::currentPath() : root;
}
}

const WindowLayout &FileWindow::layout()
{
    return windowLayout;
}

FileWindow::FileWindow(Workspace &workspace_, QWidget *mainWindow_, QWidget *parent)
    : QWidget(parent), workspace(workspace_), mainWindow(mainWindow_)
{
    setAttribute(Qt::WA_DeleteOnClose);
    const Controls made = buildLayout(this, layout(), makeList);
    useFixedLook(this);   // the blue frames need the light window
    driveList = made.get<DriveList>(Role::DriveList);
    folderList = made.get<FolderList>(Role::FolderList);
    fileList = made.get<FileList>(Role::FileList);
    nameEdit = made.get<QLineEdit>(Role::NameEdit);
    saveButton = made.get<QPushButton>(Role::SaveButton);
    loadButton = made.get<QPushButton>(Role::LoadButton);
    pathLabel = made.get<QLabel>(Role::PathLabel);
    nameLabel = made.get<QLabel>(Role::NameLabel);

    for (const ControlRow &row : controls) {
        if (row.kind == Kind::Label) {
            auto *label = made.get<QLabel>(Role(row.role));
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // Paths and names are shown as they are, never as markup.
            label->setTextFormat(Qt::PlainText);
        }
    }
    // Escape does what the close box does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    made.get<QLabel>(Role::SaveHint)->setWordWrap(true);
    made.get<QLabel>(Role::LoadHint)->setWordWrap(true);
    for (Role role : {Role::PanelFrame, Role::PanelRule}) {
        auto *frame = made.get<ShapeWidget>(role);
        frame->setFill(QColor());
        frame->setBorder(QColor(0, 0, 255), 2);
    }
    // A one-pixel box has no room for its 2-pixel rule.
    made.get<ShapeWidget>(Role::PanelRule)->setFixedHeight(2);
    driveList->setFocus();

    // Start on the system drive in the folder the program was started in.
    acceptedDrive = driveList->drive();
    if (!folderList->setPath(driveFolder(acceptedDrive)))
        folderList->setPath(acceptedDrive);
    fileList->setPath(folderList->path());
    pathLabel->setText(folderList->path());
    nameLabel->setText(QString());

    connect(driveList, &DriveList::driveChanged, this, &FileWindow::driveChanged);
    connect(folderList, &FolderList::pathChanged, this, &FileWindow::folderChanged);
    connect(folderList, &FolderList::openFailed, this, &FileWindow::folderOpenFailed);
    connect(fileList, &FileList::clicked, this, &FileWindow::fileClicked);
    connect(saveButton, &QPushButton::clicked, this, &FileWindow::saveTimes);
    connect(loadButton, &QPushButton::clicked, this, &FileWindow::loadTimes);
}

void FileWindow::driveChanged(const QString &root)
{
    if (!folderList->setPath(driveFolder(root))) {
        // Stay on the drive the lists still show.
        const QSignalBlocker quiet(driveList);
        driveList->setDrive(acceptedDrive);
        report(QStringLiteral("The drive %1 cannot be read. The drive %2 stays selected.")
                   .arg(root, acceptedDrive),
               true);
        return;
    }
    acceptedDrive = root;
}

void FileWindow::folderChanged(const QString &path)
{
    fileList->setPath(path);
    pathLabel->setText(path);
}

void FileWindow::fileClicked()
{
    nameLabel->setText(fileList->fileName());
}

void FileWindow::folderOpenFailed(const QString &path)
{
    report(QStringLiteral("The folder %1 cannot be read.").arg(path), true);
}

void FileWindow::saveTimes()
{
    // Joined as they are: at "/" this gives "//name", which the system takes as "/name".
    const QString path = fileList->path() + u'/' + nameEdit->text();
    const FileResult result = saveSchedule(path, workspace.daySlots);
    if (!result.ok()) {
        report(result.message, true);
        return;
    }
    pathLabel->setText(path);
    handBack();
}

void FileWindow::loadTimes()
{
    const QString name = fileList->fileName();
    if (name.isEmpty()) {
        report(QStringLiteral("no file selected"), false);
        return;
    }
    const FileResult result = loadSchedule(folderList->path() + u'/' + name, workspace.daySlots);
    if (!result.ok()) {
        report(result.message, true);
        return;
    }
    handBack();
}

void FileWindow::handBack()
{
    // Activating the main window runs its activation, which redraws the dial.
    if (mainWindow) {
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    hide();
}

void FileWindow::report(const QString &text, bool failure)
{
    QMessageBox box(failure ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);   // the text names files
    box.exec();
}
