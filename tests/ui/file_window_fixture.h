// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the file window tests share: a program folder of their own with files
// to list and load, a day to recognise, and an answerer for message boxes.

#include "schedule/clock_source.h"
#include "schedule/day_table.h"
#include "ui/workspace.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

struct Box
{
    QString title, text;
};

// Answers every message box with OK once it is up, and keeps what it said,
// so no test can hang on a box.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    QList<Box> boxes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *box = qobject_cast<QMessageBox *>(watched); box && event->type() == QEvent::Show) {
            boxes.append({box->windowTitle(), box->text()});
            QMetaObject::invokeMethod(box->button(QMessageBox::Ok), &QAbstractButton::click, Qt::QueuedConnection);
        }
        return false;
    }
};

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QByteArray dayWithOn(int slot)
{
    QByteArray out;
    for (int i = 0; i < 97; ++i)
        out += i == slot ? " 1 \r\n" : " 0 \r\n";
    return out;
}

inline DayTable markedDay()
{
    DayTable t;
    for (int i = 0; i < DayTable::size; ++i)
        t.set(i, qint16(i % 3));
    return t;
}

inline void clickItem(QListWidget *list, QListWidgetItem *item)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// The window's controls, found as a user of the window would name them.
struct FileWindowControls
{
    explicit FileWindowControls(QWidget *w)
        : driveList(w->findChild<DriveList *>(QStringLiteral("driveList"))),
          folderList(w->findChild<FolderList *>(QStringLiteral("folderList"))),
          fileList(w->findChild<FileList *>(QStringLiteral("fileList"))),
          nameEdit(w->findChild<QLineEdit *>(QStringLiteral("nameEdit"))),
          saveButton(w->findChild<QPushButton *>(QStringLiteral("saveButton"))),
          loadButton(w->findChild<QPushButton *>(QStringLiteral("loadButton"))),
          pathLabel(w->findChild<QLabel *>(QStringLiteral("pathLabel"))),
          nameLabel(w->findChild<QLabel *>(QStringLiteral("nameLabel")))
    {
    }
    bool complete() const
    {
        return driveList && folderList && fileList && nameEdit && saveButton && loadButton && pathLabel
            && nameLabel;
    }
    DriveList *driveList;
    FolderList *folderList;
    FileList *fileList;
    QLineEdit *nameEdit;
    QPushButton *saveButton, *loadButton;
    QLabel *pathLabel, *nameLabel;
};

// Each test starts the program in a folder of its own, with the day marked.
class FileWindowFixture
{
protected:
    void setUpOnce()
    {
        QApplication::setApplicationName(QStringLiteral("Daywheel"));
        startFolder = QDir::currentPath();
        // Noon: the live clock's slot is well away from slot 0.
        ClockSource::set([] { return QDateTime(QDate(2024, 3, 1), QTime(12, 0)); });
    }

    void setUp()
    {
        work = std::make_unique<QTemporaryDir>();
        QVERIFY(work->isValid());
        QVERIFY(QDir::setCurrent(work->path()));
        QVERIFY(QDir(work->path()).mkdir(QStringLiteral("sub")));
        QVERIFY(writeBytes(here(QStringLiteral("a.txt")), dayWithOn(10)));
        QVERIFY(writeBytes(here(QStringLiteral("B.txt")), dayWithOn(20)));
        QVERIFY(writeBytes(here(QStringLiteral("short.txt")), dayWithOn(0).left(50 * 5)));
        QVERIFY(writeBytes(here(QStringLiteral("big.txt")),
                           dayWithOn(0).replace(" 0 \r\n 0 \r\n", " 0 \r\n 70000 \r\n")));
        QVERIFY(writeBytes(here(QStringLiteral(".hidden")), "x"));
        QVERIFY(writeBytes(here(QStringLiteral("sub/c.txt")), dayWithOn(30)));
        // Only regular files and links to them can be loaded, so only they are listed.
        QVERIFY(QFile::link(here(QStringLiteral("a.txt")), here(QStringLiteral("link.txt"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), here(QStringLiteral("zero.txt"))));
        QCOMPARE(mkfifo(QFile::encodeName(here(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
        workspace.week.setEveryDay(markedDay());
        answerer = std::make_unique<BoxAnswerer>();
    }

    void tearDown()
    {
        answerer.reset();
        QVERIFY(QDir::setCurrent(startFolder));
        work.reset();
        workspace.week = Week();
    }

    QString cwd() const { return QDir::currentPath(); }
    QString here(const QString &name) const { return cwd() + u'/' + name; }

    // What the windows under test share, as the application would hand it to them.
    Workspace workspace;
    std::unique_ptr<BoxAnswerer> answerer;

private:
    std::unique_ptr<QTemporaryDir> work;
    QString startFolder;
};
