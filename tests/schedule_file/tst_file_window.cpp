#include "app/main_window.h"
#include "app/navigator.h"
#include "schedule/workspace.h"
#include "dial/clock_source.h"
#include "schedule/day_table.h"
#include "schedule_file/drive_list.h"
#include "schedule_file/file_list.h"
#include "schedule_file/folder_list.h"
#include "schedule_file/file_window.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {
// What the windows under test share, as the application would hand it to them.
Workspace workspace;

struct Box
{
    QString title, text;
};

// Answers every modal message box with OK as soon as it is up, and keeps
// what it said, so no test can hang on a box.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes.append({box->windowTitle(), box->text()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer.start();
    }
    QList<Box> boxes;

private:
    QTimer timer;
};

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray dayWithOn(int slot)
{
    QByteArray out;
    for (int i = 0; i < 97; ++i)
        out += i == slot ? " 1 \r\n" : " 0 \r\n";
    return out;
}

DayTable markedTable()
{
    DayTable t;
    for (int i = 0; i < DayTable::size; ++i)
        t.set(i, qint16(i % 3));
    return t;
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QListWidgetItem *folderEntry(FolderList *list, const QString &path)
{
    for (int i = 0; i < list->count(); ++i)
        if (FolderList::entryPath(list->item(i)) == path)
            return list->item(i);
    return nullptr;
}

void clickItem(QListWidget *list, QListWidgetItem *item)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// As the system delivers it: a click, then the double-click event.
void doubleClickItem(QListWidget *list, QListWidgetItem *item)
{
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// The window's controls, found as a user of the window would name them.
struct Controls
{
    explicit Controls(QWidget *w)
        : drive1(w->findChild<DriveList *>(QStringLiteral("Drive1"))),
          dir1(w->findChild<FolderList *>(QStringLiteral("Dir1"))),
          file1(w->findChild<FileList *>(QStringLiteral("File1"))),
          text1(w->findChild<QLineEdit *>(QStringLiteral("Text1"))),
          command1(w->findChild<QPushButton *>(QStringLiteral("Command1"))),
          command2(w->findChild<QPushButton *>(QStringLiteral("Command2"))),
          label2(w->findChild<QLabel *>(QStringLiteral("Label2"))),
          label6(w->findChild<QLabel *>(QStringLiteral("Label6")))
    {
    }
    bool complete() const { return drive1 && dir1 && file1 && text1 && command1 && command2 && label2 && label6; }
    DriveList *drive1;
    FolderList *dir1;
    FileList *file1;
    QLineEdit *text1;
    QPushButton *command1, *command2;
    QLabel *label2, *label6;
};
}

class TstFileWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startState();
    void tabOrderAndFocus();
    void folderChain();
    void keyboardSelection();
    void driveChain();
    void unreadableDriveKeepsPrevious();
    void unreadableFolderStays();
    void saveFailureKeepsEverything_data();
    void saveFailureKeepsEverything();
    void loadFailureKeepsEverything_data();
    void loadFailureKeepsEverything();
    void mainWindowActivationAfter_data();
    void mainWindowActivationAfter();
    void hiddenWindowKeepsState();
    void closedWindowStartsAfresh();

private:
    QString cwd() const { return QDir::currentPath(); }
    QString here(const QString &name) const { return cwd() + u'/' + name; }

    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<BoxAnswerer> answerer;
    QString startFolder;
};

void TstFileWindow::initTestCase()
{
    QApplication::setApplicationName(QStringLiteral("Daywheel"));
    startFolder = QDir::currentPath();
    // Noon: the live clock's slot is well away from slot 0.
    ClockSource::set([] { return QDateTime(QDate(2024, 3, 1), QTime(12, 0)); });
}

void TstFileWindow::init()
{
    // Each test starts the program in a folder of its own.
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    QVERIFY(QDir::setCurrent(work->path()));
    QDir d(work->path());
    QVERIFY(d.mkdir(QStringLiteral("sub")));
    QVERIFY(writeBytes(here(QStringLiteral("a.txt")), dayWithOn(10)));
    QVERIFY(writeBytes(here(QStringLiteral("B.txt")), dayWithOn(20)));
    QVERIFY(writeBytes(here(QStringLiteral("short.txt")), dayWithOn(0).left(50 * 5)));
    QVERIFY(writeBytes(here(QStringLiteral("big.txt")), dayWithOn(0).replace(" 0 \r\n 0 \r\n", " 0 \r\n 70000 \r\n")));
    QVERIFY(writeBytes(here(QStringLiteral(".hidden")), "x"));
    QVERIFY(writeBytes(here(QStringLiteral("sub/c.txt")), dayWithOn(30)));
    // Only regular files and links to them can be loaded, so only they are listed.
    QVERIFY(QFile::link(here(QStringLiteral("a.txt")), here(QStringLiteral("link.txt"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), here(QStringLiteral("zero.txt"))));
    QCOMPARE(mkfifo(QFile::encodeName(here(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
    workspace.daySlots = markedTable();
    answerer = std::make_unique<BoxAnswerer>();
}

void TstFileWindow::cleanup()
{
    answerer.reset();
    QVERIFY(QDir::setCurrent(startFolder));
    work.reset();
    workspace.daySlots.reset();
}

void TstFileWindow::startState()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    QVERIFY(c.complete());

    QCOMPARE(w.windowTitle(), QStringLiteral("Form2"));
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(c.drive1->drive(), QStringLiteral("/"));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.file1->path(), cwd());
    QCOMPARE(itemTexts(c.file1), (QStringList{"a.txt", "B.txt", "big.txt", "link.txt", "short.txt"}));
    QCOMPARE(c.file1->fileName(), QString());
    QCOMPARE(c.label2->text(), cwd());
    QCOMPARE(c.label6->text(), QString());
    QCOMPARE(c.text1->text(), QStringLiteral("suntime.txt"));
    QCOMPARE(c.command1->text(), QStringLiteral("Save Times"));
    QCOMPARE(c.command2->text(), QStringLiteral("Load Times"));
    QVERIFY(!c.command1->autoDefault() && !c.command2->autoDefault());

    const auto text = [&](const char *name) { return w.findChild<QLabel *>(QLatin1String(name))->text(); };
    QCOMPARE(text("Label1"), QStringLiteral("Choose directory, then enter name of file to save.  This program has no "
                                            "error handling so get it right the first time   :)"));
    QCOMPARE(text("Label3"), QStringLiteral("Select file first before pushing load button. Thank you :)"));
    QCOMPARE(text("Label4"), QStringLiteral("Path:"));
    QCOMPARE(text("Label5"), QStringLiteral("Name:"));

    // The folder list shows the way down from "/" and then the subfolders.
    const QListWidgetItem *current = folderEntry(c.dir1, cwd());
    QVERIFY(current);
    QVERIFY(current->isSelected());
    QVERIFY(folderEntry(c.dir1, QStringLiteral("/")));
    QVERIFY(folderEntry(c.dir1, here(QStringLiteral("sub"))));
    QVERIFY(c.dir1->row(folderEntry(c.dir1, QStringLiteral("/"))) < c.dir1->row(current));
    QVERIFY(c.dir1->row(current) < c.dir1->row(folderEntry(c.dir1, here(QStringLiteral("sub")))));
}

void TstFileWindow::tabOrderAndFocus()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(QApplication::focusWidget(), w.findChild<QWidget *>(QStringLiteral("Drive1")));

    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"Dir1", "File1", "Text1", "Command1", "Command2", "Drive1"}));
}

void TstFileWindow::folderChain()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Opening a subfolder moves the file list and the path read-out with it.
    const QString sub = here(QStringLiteral("sub"));
    doubleClickItem(c.dir1, folderEntry(c.dir1, sub));
    QCOMPARE(c.dir1->path(), sub);
    QCOMPARE(c.file1->path(), sub);
    QCOMPARE(itemTexts(c.file1), QStringList{"c.txt"});
    QCOMPARE(c.label2->text(), sub);
    QCOMPARE(c.drive1->drive(), QStringLiteral("/"));   // the chain runs one way only

    clickItem(c.file1, c.file1->item(0));
    QCOMPARE(c.file1->fileName(), QStringLiteral("c.txt"));
    QCOMPARE(c.label6->text(), QStringLiteral("c.txt"));

    // Back up: the name stays in Label6 while the new list has nothing selected.
    doubleClickItem(c.dir1, folderEntry(c.dir1, cwd()));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.label2->text(), cwd());
    QCOMPARE(itemTexts(c.file1), (QStringList{"a.txt", "B.txt", "big.txt", "link.txt", "short.txt"}));
    QCOMPARE(c.file1->fileName(), QString());
    QCOMPARE(c.label6->text(), QStringLiteral("c.txt"));

    // So Load has no file to read, says so and leaves the schedule alone.
    QTest::mouseClick(c.command2, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes[0].text, QStringLiteral("no file selected"));
    QCOMPARE(answerer->boxes[0].title, QStringLiteral("Daywheel"));
    QCOMPARE(workspace.daySlots, markedTable());
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
}

void TstFileWindow::keyboardSelection()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    c.file1->setFocus();
    QTRY_VERIFY(c.file1->hasFocus());
    QCOMPARE(c.label6->text(), QString());   // taking the focus selects nothing
    QCOMPARE(c.file1->fileName(), QString());
    QTest::keyClick(c.file1, Qt::Key_Down);
    QCOMPARE(c.file1->fileName(), QStringLiteral("B.txt"));
    QCOMPARE(c.label6->text(), QStringLiteral("B.txt"));
    QTest::keyClick(c.file1, Qt::Key_Up);
    QCOMPARE(c.file1->fileName(), QStringLiteral("a.txt"));
    QCOMPARE(c.label6->text(), QStringLiteral("a.txt"));
}

void TstFileWindow::driveChain()
{
    QTemporaryDir spare;
    QVERIFY(writeBytes(spare.filePath(QStringLiteral("d.txt")), dayWithOn(1)));
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    c.drive1->addDrive(spare.path(), QStringLiteral("spare"));

    QVERIFY(c.drive1->setDrive(spare.path()));
    QCOMPARE(c.dir1->path(), spare.path());
    QCOMPARE(itemTexts(c.file1), QStringList{"d.txt"});
    QCOMPARE(c.label2->text(), spare.path());

    // Back on the system drive the lists return to where the program started.
    QVERIFY(c.drive1->setDrive(QStringLiteral("/")));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.file1->path(), cwd());
    QCOMPARE(c.label2->text(), cwd());
    QVERIFY(answerer->boxes.isEmpty());
}

void TstFileWindow::unreadableDriveKeepsPrevious()
{
    QTemporaryDir gone;
    const QString root = gone.path();
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    c.drive1->addDrive(root, QStringLiteral("removable"));
    QVERIFY(gone.remove());

    c.drive1->setCurrentIndex(c.drive1->count() - 1);
    QTRY_COMPARE(answerer->boxes.size(), 1);
    QVERIFY2(answerer->boxes[0].text.contains(root), qPrintable(answerer->boxes[0].text));
    QVERIFY(answerer->boxes[0].text.contains(QStringLiteral("cannot be read")));
    QCOMPARE(c.drive1->drive(), QStringLiteral("/"));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.label2->text(), cwd());
}

void TstFileWindow::unreadableFolderStays()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    const QString sub = here(QStringLiteral("sub"));
    QListWidgetItem *entry = folderEntry(c.dir1, sub);
    QVERIFY(entry);
    QVERIFY(QDir(sub).removeRecursively());   // gone since the list was read

    emit c.dir1->itemActivated(entry);
    QCOMPARE(answerer->boxes.size(), 1);
    QVERIFY(answerer->boxes[0].text.contains(sub));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.label2->text(), cwd());
}

void TstFileWindow::saveFailureKeepsEverything_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");
    QTest::newRow("empty name") << "" << "no file name";
    QTest::newRow("missing folder") << "nowhere/x.txt" << "does not exist";
    QTest::newRow("path through a file") << "a.txt/x.txt" << "is not a folder";
    QTest::newRow("a folder in the way") << "sub" << "";
}

void TstFileWindow::saveFailureKeepsEverything()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    w.show();

    c.text1->setText(name);
    QTest::mouseClick(c.command1, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    const QString message = answerer->boxes[0].text;
    QVERIFY2(message.contains(here(name)) && message.contains(cause), qPrintable(message));
    QCOMPARE(answerer->boxes[0].title, QStringLiteral("Daywheel"));
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
    QCOMPARE(c.label2->text(), cwd());
    QCOMPARE(c.text1->text(), name);   // left for the user to put right
    QCOMPARE(fileBytes(here(QStringLiteral("a.txt"))), dayWithOn(10));
    QVERIFY(QFileInfo(here(QStringLiteral("sub"))).isDir());
    QCOMPARE(workspace.daySlots, markedTable());

    // Put right, the same window saves.
    c.text1->setText(QStringLiteral("fixed.txt"));
    QTest::mouseClick(c.command1, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    QVERIFY(QFileInfo::exists(here(QStringLiteral("fixed.txt"))));
    QVERIFY(!w.isVisible());
}

void TstFileWindow::loadFailureKeepsEverything_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");
    QTest::newRow("cut short") << "short.txt" << "ends after 50 values";
    QTest::newRow("70000") << "big.txt" << "70000";
    QTest::newRow("removed meanwhile") << "a.txt" << "";
    QTest::newRow("a pipe meanwhile") << "a.txt" << "a pipe";
    QTest::newRow("a folder meanwhile") << "a.txt" << "a folder";
}

void TstFileWindow::loadFailureKeepsEverything()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const Controls c(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    clickItem(c.file1, c.file1->findItems(name, Qt::MatchExactly).value(0));
    QCOMPARE(c.file1->fileName(), name);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    if (tag.endsWith(QLatin1String("meanwhile")))
        QVERIFY(QFile::remove(here(name)));
    if (tag.contains(QLatin1String("pipe")))
        QCOMPARE(mkfifo(QFile::encodeName(here(name)).constData(), 0600), 0);
    if (tag.contains(QLatin1String("folder")))
        QVERIFY(QDir().mkdir(here(name)));

    QTest::mouseClick(c.command2, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    const QString message = answerer->boxes[0].text;
    QVERIFY2(message.contains(here(name)) && message.contains(cause), qPrintable(message));
    QCOMPARE(workspace.daySlots, markedTable());
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
    QCOMPARE(c.file1->fileName(), name);   // the user can try again at once
}

void TstFileWindow::mainWindowActivationAfter_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("save") << true;
    QTest::newRow("load") << false;
}

void TstFileWindow::mainWindowActivationAfter()
{
    QFETCH(bool, save);
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    form1.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    workspace.comPort = 3;   // only an activation of the main window sets it back to 10

    QTest::mouseClick(form1.findChild<QPushButton *>(save ? "Command4" : "Command5"), Qt::LeftButton);
    QPointer<QWidget> form2 = navigator.fileWindow();
    QVERIFY(form2);
    QVERIFY(QTest::qWaitForWindowActive(form2));
    QVERIFY(form1.isVisible());   // not modal: the main window stays
    QCOMPARE(workspace.comPort, qint16(3));
    const Controls c(form2);
    if (!save)
        clickItem(c.file1, c.file1->findItems(QStringLiteral("a.txt"), Qt::MatchExactly).value(0));

    workspace.daySlots.reset();
    workspace.daySlots.set(3, 1);
    workspace.daySlots.set(97, 7);

    QTest::mouseClick(save ? c.command1 : c.command2, Qt::LeftButton);
    QVERIFY(answerer->boxes.isEmpty());
    QVERIFY(!form2->isVisible());
    QVERIFY(form1.isVisible());
    QTRY_COMPARE(QGuiApplication::focusWindow(), form1.windowHandle());
    QTRY_COMPARE(workspace.comPort, qint16(10));   // the activation ran
    QCOMPARE(navigator.fileWindow(), form2.data());   // hidden, not destroyed
    if (save) {
        QCOMPARE(fileBytes(here(QStringLiteral("suntime.txt"))), dayWithOn(3));
        QCOMPARE(c.label2->text(), here(QStringLiteral("suntime.txt")));
        // The list is not read again, so the new file is not offered yet.
        QCOMPARE(c.file1->findItems(QStringLiteral("suntime.txt"), Qt::MatchExactly).size(), 0);
    } else {
        for (int i = 0; i < DayTable::storedSlots; ++i)
            QCOMPARE(workspace.daySlots.at(i), qint16(i == 10 ? 1 : 0));
        QCOMPARE(workspace.daySlots.at(97), qint16(7));   // beyond the file: untouched
        QCOMPARE(c.label2->text(), cwd());   // a load shows no path
    }
}

void TstFileWindow::hiddenWindowKeepsState()
{
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QTest::mouseClick(form1.findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QPointer<QWidget> form2 = navigator.fileWindow();
    QVERIFY(form2);
    QVERIFY(QTest::qWaitForWindowExposed(form2));
    const Controls c(form2);

    const QString sub = here(QStringLiteral("sub"));
    QVERIFY(c.dir1->setPath(sub));
    clickItem(c.file1, c.file1->item(0));
    c.text1->setText(QStringLiteral("kept.txt"));
    QTest::mouseClick(c.command1, Qt::LeftButton);
    QVERIFY(!form2->isVisible());

    QTest::mouseClick(form1.findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QCOMPARE(navigator.fileWindow(), form2.data());
    QVERIFY(form2->isVisible());
    QCOMPARE(c.dir1->path(), sub);
    QCOMPARE(c.file1->fileName(), QStringLiteral("c.txt"));
    QCOMPARE(c.label6->text(), QStringLiteral("c.txt"));
    QCOMPARE(c.text1->text(), QStringLiteral("kept.txt"));
    QCOMPARE(c.label2->text(), sub + QStringLiteral("/kept.txt"));

    // Save again while it is open: the same window comes to the front.
    QTest::mouseClick(form1.findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QCOMPARE(navigator.fileWindow(), form2.data());
}

void TstFileWindow::closedWindowStartsAfresh()
{
    MainWindow form1(workspace);
    Navigator navigator(workspace, form1);
    form1.show();
    QTest::mouseClick(form1.findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QPointer<QWidget> first = navigator.fileWindow();
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    {
        const Controls c(first);
        QVERIFY(c.dir1->setPath(here(QStringLiteral("sub"))));
        clickItem(c.file1, c.file1->item(0));
        c.text1->setText(QStringLiteral("other.txt"));
    }

    first->close();
    QTRY_VERIFY(!first);   // destroyed by its close box
    QVERIFY(!navigator.fileWindow());
    QVERIFY(form1.isVisible());

    QTest::mouseClick(form1.findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QWidget *second = navigator.fileWindow();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    const Controls c(second);
    QCOMPARE(c.drive1->drive(), QStringLiteral("/"));
    QCOMPARE(c.dir1->path(), cwd());
    QCOMPARE(c.label2->text(), cwd());
    QCOMPARE(c.label6->text(), QString());
    QCOMPARE(c.text1->text(), QStringLiteral("suntime.txt"));
    QCOMPARE(c.file1->fileName(), QString());
}

QTEST_MAIN(TstFileWindow)
#include "tst_file_window.moc"
