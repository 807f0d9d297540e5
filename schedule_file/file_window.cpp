#include "schedule_file/file_window.h"

#include "widgets/shape_widget.h"
#include "widgets/twips.h"
#include "widgets/wrap_button.h"
#include "schedule/workspace.h"
#include "schedule_file/drive_list.h"
#include "schedule_file/file_list.h"
#include "schedule_file/folder_list.h"
#include "schedule_file/schedule_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {
const QColor frameColour(0, 0, 255);

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *l = place(new QLabel(text, parent), name, geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

ShapeWidget *frame(QWidget *parent, const char *name, QRect geometry)
{
    auto *s = place(new ShapeWidget(ShapeWidget::Kind::Rectangle, parent), name, geometry);
    s->setFill(QColor());
    s->setBorder(frameColour, 2);
    return s;
}

// The folder a drive opens on: for the system drive the folder the program
// was started in, for the others their top folder.
QString driveFolder(const QString &root)
{
    return root == DriveList::systemDrive ? QDir::currentPath() : root;
}
}

FileWindow::FileWindow(Workspace &workspace_, QWidget *mainWindow_, QWidget *parent)
    : QWidget(parent), workspace(workspace_), mainWindow(mainWindow_)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsSize(8505, 4980));

    buildLayout();

    // Start on the system drive in the folder the program was started in.
    acceptedDrive = drive1->drive();
    if (!dir1->setPath(driveFolder(acceptedDrive)))
        dir1->setPath(acceptedDrive);
    file1->setPath(dir1->path());
    label2->setText(dir1->path());
    label6->setText(QString());

    connect(drive1, &DriveList::driveChanged, this, &FileWindow::driveChanged);
    connect(dir1, &FolderList::pathChanged, this, &FileWindow::folderChanged);
    connect(dir1, &FolderList::openFailed, this, &FileWindow::folderOpenFailed);
    connect(file1, &FileList::clicked, this, &FileWindow::fileClicked);
    connect(command1, &QPushButton::clicked, this, &FileWindow::saveTimes);
    connect(command2, &QPushButton::clicked, this, &FileWindow::loadTimes);
}

void FileWindow::buildLayout()
{
    // The frames first, so every control lies above them.
    shape1 = frame(this, "Shape1", twipsRect(3600, 120, 3015, 3615));
    shape2 = frame(this, "Shape2", twipsRect(3600, 2400, 3015, 15));
    shape2->setFixedHeight(2);   // a one-pixel box has no room for its 2-pixel rule

    file1 = place(new FileList(this), "File1", twipsRect(240, 120, 1455, 3600));
    drive1 = place(new DriveList(this), "Drive1", twipsRect(1800, 120, 1455, 315));
    dir1 = place(new FolderList(this), "Dir1", twipsRect(1800, 480, 1455, 3240));

    label1 = label(this, "Label1",
                   QStringLiteral("Choose directory, then enter name of file to save.  This program has "
                                  "no error handling so get it right the first time   :)"),
                   twipsRect(4080, 240, 2175, 1095));
    label1->setWordWrap(true);
    text1 = place(new QLineEdit(QStringLiteral("suntime.txt"), this), "Text1",
                  twipsRect(4080, 1200, 2055, 375));
    command1 = place(new WrapButton(QStringLiteral("Save Times"), this), "Command1",
                     twipsRect(4320, 1680, 1095, 375));
    label3 = label(this, "Label3",
                   QStringLiteral("Select file first before pushing load button. Thank you :)"),
                   twipsRect(3840, 2520, 2295, 495));
    label3->setWordWrap(true);
    command2 = place(new WrapButton(QStringLiteral("Load Times"), this), "Command2",
                     twipsRect(4320, 3120, 975, 375));
    label4 = label(this, "Label4", QStringLiteral("Path:"), twipsRect(0, 3840, 495, 255));
    label2 = label(this, "Label2", QString(), twipsRect(720, 3840, 7695, 255));
    label5 = label(this, "Label5", QStringLiteral("Name:"), twipsRect(0, 4320, 495, 255));
    label6 = label(this, "Label6", QString(), twipsRect(720, 4320, 1815, 375));

    // No default button: Enter in the text box saves nothing by accident.
    for (QPushButton *b : {command1, command2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    setTabOrder(drive1, dir1);
    setTabOrder(dir1, file1);
    setTabOrder(file1, text1);
    setTabOrder(text1, command1);
    setTabOrder(command1, command2);
    drive1->setFocus();
}

void FileWindow::driveChanged(const QString &root)
{
    if (!dir1->setPath(driveFolder(root))) {
        // Stay on the drive the lists still show.
        const QSignalBlocker quiet(drive1);
        drive1->setDrive(acceptedDrive);
        report(QStringLiteral("The drive %1 cannot be read. The drive %2 stays selected.")
                   .arg(root, acceptedDrive),
               true);
        return;
    }
    acceptedDrive = root;
}

void FileWindow::folderChanged(const QString &path)
{
    file1->setPath(path);
    label2->setText(path);
}

void FileWindow::fileClicked()
{
    label6->setText(file1->fileName());
}

void FileWindow::folderOpenFailed(const QString &path)
{
    report(QStringLiteral("The folder %1 cannot be read.").arg(path), true);
}

void FileWindow::saveTimes()
{
    // Joined as they are: at "/" this gives "//name", which the system takes as "/name".
    const QString path = file1->path() + u'/' + text1->text();
    const FileResult result = saveSchedule(path, workspace.daySlots);
    if (!result.ok()) {
        report(result.message, true);
        return;
    }
    label2->setText(path);
    handBack();
}

void FileWindow::loadTimes()
{
    const QString name = file1->fileName();
    if (name.isEmpty()) {
        report(QStringLiteral("no file selected"), false);
        return;
    }
    const FileResult result = loadSchedule(dir1->path() + u'/' + name, workspace.daySlots);
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
    box.exec();
}
