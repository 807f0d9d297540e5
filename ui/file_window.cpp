// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_window.h"

#include "ui/workspace.h"
#include "schedule_file/schedule_file.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/focus_frame.h"
#include "ui/shape_widget.h"
#include "ui/window_look.h"
#include "ui_file_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

namespace {
// The folder a drive opens on: for the system drive the folder the program
// was started in, for the others their top folder.
QString driveFolder(const QString &root)
{
    return root == DriveList::systemDrive ? QDir::currentPath() : root;
}
}

FileWindow::FileWindow(Workspace &workspace_, QWidget *mainWindow_, QWidget *parent)
    : QWidget(parent), workspace(workspace_), mainWindow(mainWindow_), ui(new Ui::FileWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    ui->setupUi(this);
    new FocusRing(this);
    useFixedLook(this);   // the blue frames need the light window
    // Escape does what the close box does.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this, &QWidget::close);
    for (ShapeWidget *frame : {ui->panelFrame, ui->panelRule}) {
        frame->setFill(QColor());
        frame->setBorder(QColor(0, 0, 255), 2);
    }
    // A one-pixel box has no room for its 2-pixel rule.
    ui->panelRule->setFixedHeight(2);
    ui->driveList->setFocus();

    // Start on the system drive in the folder the program was started in.
    acceptedDrive = ui->driveList->drive();
    if (!ui->folderList->setPath(driveFolder(acceptedDrive)))
        ui->folderList->setPath(acceptedDrive);
    ui->fileList->setPath(ui->folderList->path());
    ui->pathLabel->setText(ui->folderList->path());
    ui->nameLabel->setText(QString());

    connect(ui->driveList, &DriveList::driveChanged, this, &FileWindow::driveChanged);
    connect(ui->folderList, &FolderList::pathChanged, this, &FileWindow::folderChanged);
    connect(ui->folderList, &FolderList::openFailed, this, &FileWindow::folderOpenFailed);
    connect(ui->fileList, &FileList::clicked, this, &FileWindow::fileClicked);
    connect(ui->saveButton, &QPushButton::clicked, this, &FileWindow::saveTimes);
    connect(ui->loadButton, &QPushButton::clicked, this, &FileWindow::loadTimes);
}

FileWindow::~FileWindow() = default;

void FileWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ui->fileList->reread();
}

void FileWindow::driveChanged(const QString &root)
{
    if (!ui->folderList->setPath(driveFolder(root))) {
        // Stay on the drive the lists still show.
        const QSignalBlocker quiet(ui->driveList);
        ui->driveList->setDrive(acceptedDrive);
        report(tr("The drive %1 cannot be read. The drive %2 stays selected.")
                   .arg(root, acceptedDrive),
               true);
        return;
    }
    acceptedDrive = root;
}

void FileWindow::folderChanged(const QString &path)
{
    ui->fileList->setPath(path);
    ui->pathLabel->setText(path);
}

void FileWindow::fileClicked()
{
    ui->nameLabel->setText(ui->fileList->fileName());
}

void FileWindow::folderOpenFailed(const QString &path)
{
    report(tr("The folder %1 cannot be read.").arg(path), true);
}

void FileWindow::saveTimes()
{
    // Joined as they are: at "/" this gives "//name", which the system takes as "/name".
    const QString path = ui->fileList->path() + u'/' + ui->nameEdit->text();
    const FileResult result = saveWeek(path, workspace.week);
    if (!result.ok()) {
        report(result.message, true);
        return;
    }
    ui->pathLabel->setText(path);
    handBack();
}

void FileWindow::loadTimes()
{
    const QString name = ui->fileList->fileName();
    if (name.isEmpty()) {
        report(tr("no file selected"), false);
        return;
    }
    const FileResult result = loadWeek(ui->folderList->path() + u'/' + name, workspace.week);
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
    auto *box = new QMessageBox(failure ? QMessageBox::Warning : QMessageBox::NoIcon,
                                QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);   // the text names files
    // The whole program waits for OK, without a nested event loop.
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
