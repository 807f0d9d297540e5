// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class MainWindow;
class QWidget;
struct Workspace;

// Opens, shows and hides the program's three windows as the main window's
// buttons ask, and ends the program when the main window closes.
class Navigator : public QObject
{
    Q_OBJECT
public:
    Navigator(Workspace &workspace, MainWindow &mainWindow, QObject *parent = nullptr);
    ~Navigator() override;

    QWidget *fileWindow() const { return files; }
    QWidget *controllerWindow() const { return controller; }

    void showFileWindow();
    void showControllerWindow();

private:
    void mainWindowClosed();

    Workspace &workspace;
    MainWindow &mainWindow;
    QPointer<QWidget> files;
    QPointer<QWidget> controller;
    QPointer<QWidget> startingController;
    // Closed, and still letting go of its port; never shown again.
    QPointer<QWidget> closingController;
    bool openWhenClosed = false;
};
