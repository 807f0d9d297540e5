// SPDX-License-Identifier: GPL-3.0-or-later
// The file window's controls, its lists and the way to and from the main window.
#include "ui/main_window.h"
#include "ui/navigator.h"
#include "file_window_fixture.h"
#include "ui/file_window.h"

namespace {
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

// As the system delivers it: a click, then the double-click event.
void doubleClickItem(QListWidget *list, QListWidgetItem *item)
{
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}
}

class TstFileWindow : public QObject, private FileWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpOnce(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void startState();
    void tabOrderAndFocus();
    void folderChain();
    void keyboardSelection();
    void driveChain();
    void unreadableDriveKeepsPrevious();
    void unreadableFolderStays();
    void mainWindowActivationAfter_data();
    void mainWindowActivationAfter();
    void hiddenWindowKeepsState();
    void closedWindowStartsAfresh();
    void escapeClosesAndNamesStayPlain();
};

void TstFileWindow::startState()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    QVERIFY(c.complete());

    QCOMPARE(w.windowTitle(), QStringLiteral("Form2"));
    QVERIFY(w.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(c.driveList->drive(), QStringLiteral("/"));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.fileList->path(), cwd());
    QCOMPARE(itemTexts(c.fileList), (QStringList{"a.txt", "B.txt", "big.txt", "link.txt", "short.txt"}));
    QCOMPARE(c.fileList->fileName(), QString());
    QCOMPARE(c.pathLabel->text(), cwd());
    QCOMPARE(c.nameLabel->text(), QString());
    QCOMPARE(c.nameEdit->text(), QStringLiteral("suntime.txt"));
    QCOMPARE(c.saveButton->text(), QStringLiteral("Save Times"));
    QCOMPARE(c.loadButton->text(), QStringLiteral("Load Times"));
    QVERIFY(!c.saveButton->autoDefault() && !c.loadButton->autoDefault());

    const auto text = [&](const char *name) { return w.findChild<QLabel *>(QLatin1String(name))->text(); };
    QCOMPARE(text("saveHint"), QStringLiteral("Choose directory, then enter name of file to save.  This program has no "
                                            "error handling so get it right the first time   :)"));
    QCOMPARE(text("loadHint"), QStringLiteral("Select file first before pushing load button. Thank you :)"));
    QCOMPARE(text("pathCaption"), QStringLiteral("Path:"));
    QCOMPARE(text("nameCaption"), QStringLiteral("Name:"));

    // The folder list shows the way down from "/" and then the subfolders.
    const QListWidgetItem *current = folderEntry(c.folderList, cwd());
    QVERIFY(current);
    QVERIFY(current->isSelected());
    QVERIFY(folderEntry(c.folderList, QStringLiteral("/")));
    QVERIFY(folderEntry(c.folderList, here(QStringLiteral("sub"))));
    QVERIFY(c.folderList->row(folderEntry(c.folderList, QStringLiteral("/"))) < c.folderList->row(current));
    QVERIFY(c.folderList->row(current) < c.folderList->row(folderEntry(c.folderList, here(QStringLiteral("sub")))));
}

void TstFileWindow::tabOrderAndFocus()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTRY_COMPARE(QApplication::focusWidget(), w.findChild<QWidget *>(QStringLiteral("driveList")));

    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"folderList", "fileList", "nameEdit", "saveButton", "loadButton", "driveList"}));
}

void TstFileWindow::folderChain()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Opening a subfolder moves the file list and the path read-out with it.
    const QString sub = here(QStringLiteral("sub"));
    doubleClickItem(c.folderList, folderEntry(c.folderList, sub));
    QCOMPARE(c.folderList->path(), sub);
    QCOMPARE(c.fileList->path(), sub);
    QCOMPARE(itemTexts(c.fileList), QStringList{"c.txt"});
    QCOMPARE(c.pathLabel->text(), sub);
    QCOMPARE(c.driveList->drive(), QStringLiteral("/"));   // the chain runs one way only

    clickItem(c.fileList, c.fileList->item(0));
    QCOMPARE(c.fileList->fileName(), QStringLiteral("c.txt"));
    QCOMPARE(c.nameLabel->text(), QStringLiteral("c.txt"));

    // Back up: the name label keeps the name while the new list has nothing selected.
    doubleClickItem(c.folderList, folderEntry(c.folderList, cwd()));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.pathLabel->text(), cwd());
    QCOMPARE(itemTexts(c.fileList), (QStringList{"a.txt", "B.txt", "big.txt", "link.txt", "short.txt"}));
    QCOMPARE(c.fileList->fileName(), QString());
    QCOMPARE(c.nameLabel->text(), QStringLiteral("c.txt"));

    // So Load has no file to read, says so and leaves the schedule alone.
    QTest::mouseClick(c.loadButton, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes[0].text, QStringLiteral("no file selected"));
    QCOMPARE(answerer->boxes[0].title, QStringLiteral("Daywheel"));
    QCOMPARE(workspace.week.day(1), markedDay());
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
}

void TstFileWindow::keyboardSelection()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    // Tabbing in highlights the first file; whatever the keyboard highlights
    // is selected (Ctrl+Up alone would only move the highlight), so Load takes it.
    c.fileList->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(c.fileList->hasFocus());
    QCOMPARE(c.nameLabel->text(), QStringLiteral("a.txt"));
    QTest::keyClick(c.fileList, Qt::Key_Down);
    QCOMPARE(c.fileList->fileName(), QStringLiteral("B.txt"));
    QCOMPARE(c.nameLabel->text(), QStringLiteral("B.txt"));
    QTest::keyClick(c.fileList, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(c.fileList->fileName(), QStringLiteral("a.txt"));
    QCOMPARE(c.nameLabel->text(), QStringLiteral("a.txt"));
    QTest::keyClick(c.loadButton, Qt::Key_Space);
    QVERIFY(!w.isVisible());   // it loaded and handed back
}

void TstFileWindow::driveChain()
{
    QTemporaryDir spare;
    QVERIFY(writeBytes(spare.filePath(QStringLiteral("d.txt")), dayWithOn(1)));
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    c.driveList->addDrive(spare.path(), QStringLiteral("spare"));

    QVERIFY(c.driveList->setDrive(spare.path()));
    QCOMPARE(c.folderList->path(), spare.path());
    QCOMPARE(itemTexts(c.fileList), QStringList{"d.txt"});
    QCOMPARE(c.pathLabel->text(), spare.path());

    // Back on the system drive the lists return to where the program started.
    QVERIFY(c.driveList->setDrive(QStringLiteral("/")));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.fileList->path(), cwd());
    QCOMPARE(c.pathLabel->text(), cwd());
    QVERIFY(answerer->boxes.isEmpty());
}

void TstFileWindow::unreadableDriveKeepsPrevious()
{
    QTemporaryDir gone;
    const QString root = gone.path();
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    c.driveList->addDrive(root, QStringLiteral("removable"));
    QVERIFY(gone.remove());

    c.driveList->setCurrentIndex(c.driveList->count() - 1);
    QTRY_COMPARE(answerer->boxes.size(), 1);
    QVERIFY2(answerer->boxes[0].text.contains(root), qPrintable(answerer->boxes[0].text));
    QVERIFY(answerer->boxes[0].text.contains(QStringLiteral("cannot be read")));
    QCOMPARE(c.driveList->drive(), QStringLiteral("/"));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.pathLabel->text(), cwd());
}

void TstFileWindow::unreadableFolderStays()
{
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    const QString sub = here(QStringLiteral("sub"));
    QListWidgetItem *entry = folderEntry(c.folderList, sub);
    QVERIFY(entry);
    QVERIFY(QDir(sub).removeRecursively());   // gone since the list was read

    emit c.folderList->itemActivated(entry);
    QCOMPARE(answerer->boxes.size(), 1);
    QVERIFY(answerer->boxes[0].text.contains(sub));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.pathLabel->text(), cwd());
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
    MainWindow mainWindow(workspace);
    Navigator navigator(workspace, mainWindow);
    mainWindow.show();
    mainWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&mainWindow));
    workspace.comPort = 3;   // only an activation of the main window sets it back to 10

    QTest::mouseClick(mainWindow.findChild<QPushButton *>(save ? "saveButton" : "loadButton"), Qt::LeftButton);
    QPointer<QWidget> fileWindow = navigator.fileWindow();
    QVERIFY(fileWindow);
    QVERIFY(QTest::qWaitForWindowActive(fileWindow));
    QVERIFY(mainWindow.isVisible());   // not modal: the main window stays
    QCOMPARE(workspace.comPort, qint16(3));
    const FileWindowControls c(fileWindow);
    if (!save)
        clickItem(c.fileList, c.fileList->findItems(QStringLiteral("a.txt"), Qt::MatchExactly).value(0));

    // The same day every day: Save writes a day file.
    DayTable day;
    day.set(3, 1);
    day.set(97, 7);
    workspace.week.setEveryDay(day);

    QTest::mouseClick(save ? c.saveButton : c.loadButton, Qt::LeftButton);
    QVERIFY(answerer->boxes.isEmpty());
    QVERIFY(!fileWindow->isVisible());
    QVERIFY(mainWindow.isVisible());
    QTRY_COMPARE(QGuiApplication::focusWindow(), mainWindow.windowHandle());
    QTRY_COMPARE(workspace.comPort, qint16(10));   // the activation ran
    QCOMPARE(navigator.fileWindow(), fileWindow.data());   // hidden, not destroyed
    if (save) {
        QCOMPARE(fileBytes(here(QStringLiteral("suntime.txt"))), dayWithOn(3));
        QCOMPARE(c.pathLabel->text(), here(QStringLiteral("suntime.txt")));
        // Shown again, the list offers the file just saved.
        QTest::mouseClick(mainWindow.findChild<QPushButton *>("loadButton"), Qt::LeftButton);
        QCOMPARE(c.fileList->findItems(QStringLiteral("suntime.txt"), Qt::MatchExactly).size(), 1);
    } else {
        for (int i = 0; i < DayTable::storedSlots; ++i)
            QCOMPARE(workspace.week.day(1).at(i), qint16(i == 10 ? 1 : 0));
        QCOMPARE(workspace.week.day(1).at(97), qint16(7));   // beyond the file: untouched
        QCOMPARE(c.pathLabel->text(), cwd());   // a load shows no path
    }
}

void TstFileWindow::hiddenWindowKeepsState()
{
    MainWindow mainWindow(workspace);
    Navigator navigator(workspace, mainWindow);
    mainWindow.show();
    QTest::mouseClick(mainWindow.findChild<QPushButton *>("saveButton"), Qt::LeftButton);
    QPointer<QWidget> fileWindow = navigator.fileWindow();
    QVERIFY(fileWindow);
    QVERIFY(QTest::qWaitForWindowExposed(fileWindow));
    const FileWindowControls c(fileWindow);

    const QString sub = here(QStringLiteral("sub"));
    QVERIFY(c.folderList->setPath(sub));
    clickItem(c.fileList, c.fileList->item(0));
    c.nameEdit->setText(QStringLiteral("kept.txt"));
    QTest::mouseClick(c.saveButton, Qt::LeftButton);
    QVERIFY(!fileWindow->isVisible());

    QTest::mouseClick(mainWindow.findChild<QPushButton *>("loadButton"), Qt::LeftButton);
    QCOMPARE(navigator.fileWindow(), fileWindow.data());
    QVERIFY(fileWindow->isVisible());
    QCOMPARE(c.folderList->path(), sub);
    QCOMPARE(c.fileList->fileName(), QStringLiteral("c.txt"));
    QCOMPARE(c.nameLabel->text(), QStringLiteral("c.txt"));
    QCOMPARE(c.nameEdit->text(), QStringLiteral("kept.txt"));
    QCOMPARE(c.pathLabel->text(), sub + QStringLiteral("/kept.txt"));

    // Save again while it is open: the same window comes to the front.
    QTest::mouseClick(mainWindow.findChild<QPushButton *>("saveButton"), Qt::LeftButton);
    QCOMPARE(navigator.fileWindow(), fileWindow.data());
}

void TstFileWindow::closedWindowStartsAfresh()
{
    MainWindow mainWindow(workspace);
    Navigator navigator(workspace, mainWindow);
    mainWindow.show();
    QTest::mouseClick(mainWindow.findChild<QPushButton *>("loadButton"), Qt::LeftButton);
    QPointer<QWidget> first = navigator.fileWindow();
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    {
        const FileWindowControls c(first);
        QVERIFY(c.folderList->setPath(here(QStringLiteral("sub"))));
        clickItem(c.fileList, c.fileList->item(0));
        c.nameEdit->setText(QStringLiteral("other.txt"));
    }

    first->close();
    QTRY_VERIFY(!first);   // destroyed by its close box
    QVERIFY(!navigator.fileWindow());
    QVERIFY(mainWindow.isVisible());

    QTest::mouseClick(mainWindow.findChild<QPushButton *>("saveButton"), Qt::LeftButton);
    QWidget *second = navigator.fileWindow();
    QVERIFY(second);
    QVERIFY(second->isVisible());
    const FileWindowControls c(second);
    QCOMPARE(c.driveList->drive(), QStringLiteral("/"));
    QCOMPARE(c.folderList->path(), cwd());
    QCOMPARE(c.pathLabel->text(), cwd());
    QCOMPARE(c.nameLabel->text(), QString());
    QCOMPARE(c.nameEdit->text(), QStringLiteral("suntime.txt"));
    QCOMPARE(c.fileList->fileName(), QString());
}

void TstFileWindow::escapeClosesAndNamesStayPlain()
{
    QWidget mainStandIn;
    QPointer<FileWindow> w = new FileWindow(workspace, &mainStandIn);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    // A file named "<i>x.txt" shows as that, not in italics.
    QCOMPARE(FileWindowControls(w).nameLabel->textFormat(), Qt::PlainText);
    QTest::keyClick(w, Qt::Key_Escape);
    QTRY_VERIFY(!w);   // as by its close box
}

QTEST_MAIN(TstFileWindow)
#include "tst_file_window.moc"
