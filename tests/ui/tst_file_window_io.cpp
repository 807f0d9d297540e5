// SPDX-License-Identifier: GPL-3.0-or-later
// Save and Load in the file window when they fail: what the user is told and
// what stays as it was.
#include "file_window_fixture.h"
#include "ui/file_window.h"

class TstFileWindowIo : public QObject, private FileWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpOnce(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    void saveFailureKeepsEverything_data();
    void saveFailureKeepsEverything();
    void loadFailureKeepsEverything_data();
    void loadFailureKeepsEverything();
};

void TstFileWindowIo::saveFailureKeepsEverything_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");
    QTest::newRow("empty name") << "" << "no file name";
    QTest::newRow("missing folder") << "nowhere/x.txt" << "does not exist";
    QTest::newRow("path through a file") << "a.txt/x.txt" << "is not a folder";
    QTest::newRow("a folder in the way") << "sub" << "";
}

void TstFileWindowIo::saveFailureKeepsEverything()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    w.show();

    c.nameEdit->setText(name);
    QTest::mouseClick(c.saveButton, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    const QString message = answerer->boxes[0].text;
    QVERIFY2(message.contains(here(name)) && message.contains(cause), qPrintable(message));
    QCOMPARE(answerer->boxes[0].title, QStringLiteral("Daywheel"));
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
    QCOMPARE(c.pathLabel->text(), cwd());
    QCOMPARE(c.nameEdit->text(), name);   // left for the user to put right
    QCOMPARE(fileBytes(here(QStringLiteral("a.txt"))), dayWithOn(10));
    QVERIFY(QFileInfo(here(QStringLiteral("sub"))).isDir());
    QCOMPARE(workspace.week.day(1), markedDay());

    // Put right, the same window saves.
    c.nameEdit->setText(QStringLiteral("fixed.txt"));
    QTest::mouseClick(c.saveButton, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    QVERIFY(QFileInfo::exists(here(QStringLiteral("fixed.txt"))));
    QVERIFY(!w.isVisible());
}

void TstFileWindowIo::loadFailureKeepsEverything_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cause");
    QTest::newRow("cut short") << "short.txt" << "ends after 50 values";
    QTest::newRow("70000") << "big.txt" << "70000";
    QTest::newRow("removed meanwhile") << "a.txt" << "";
    QTest::newRow("a pipe meanwhile") << "a.txt" << "a pipe";
    QTest::newRow("a folder meanwhile") << "a.txt" << "a folder";
}

void TstFileWindowIo::loadFailureKeepsEverything()
{
    QFETCH(QString, name);
    QFETCH(QString, cause);
    QWidget mainStandIn;
    FileWindow w(workspace, &mainStandIn);
    const FileWindowControls c(&w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    clickItem(c.fileList, c.fileList->findItems(name, Qt::MatchExactly).value(0));
    QCOMPARE(c.fileList->fileName(), name);
    const QString tag = QString::fromLatin1(QTest::currentDataTag());
    if (tag.endsWith(QLatin1String("meanwhile")))
        QVERIFY(QFile::remove(here(name)));
    if (tag.contains(QLatin1String("pipe")))
        QCOMPARE(mkfifo(QFile::encodeName(here(name)).constData(), 0600), 0);
    if (tag.contains(QLatin1String("folder")))
        QVERIFY(QDir().mkdir(here(name)));

    QTest::mouseClick(c.loadButton, Qt::LeftButton);
    QCOMPARE(answerer->boxes.size(), 1);
    const QString message = answerer->boxes[0].text;
    QVERIFY2(message.contains(here(name)) && message.contains(cause), qPrintable(message));
    QCOMPARE(workspace.week.day(1), markedDay());
    QVERIFY(w.isVisible());
    QVERIFY(!mainStandIn.isVisible());
    QCOMPARE(c.fileList->fileName(), name);   // the user can try again at once
}

QTEST_MAIN(TstFileWindowIo)
#include "tst_file_window_io.moc"
