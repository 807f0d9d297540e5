// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/navigator.h"

#include "ui/main_window.h"
#include "ui/controller_window.h"
#include "ui/workspace.h"
#include "ui/file_window.h"

#include <QCoreApplication>

Navigator::Navigator(Workspace &workspace_, MainWindow &mainWindow_, QObject *parent)
    : QObject(parent), workspace(workspace_), mainWindow(mainWindow_)
{
    connect(&mainWindow, &MainWindow::saveRequested, this, &Navigator::showFileWindow);
    connect(&mainWindow, &MainWindow::loadRequested, this, &Navigator::showFileWindow);
    connect(&mainWindow, &MainWindow::sendRequested, this, &Navigator::showControllerWindow);
    connect(&mainWindow, &MainWindow::closed, this, &Navigator::mainWindowClosed);
}

Navigator::~Navigator()
{
    delete files;
    delete controller;
    delete startingController;
}

void Navigator::showFileWindow()
{
    // Created anew after its close box destroyed it; a hidden one keeps its state.
    if (!files)
        files = new FileWindow(workspace, &mainWindow);
    files->show();
    files->raise();
    files->activateWindow();
}

void Navigator::showControllerWindow()
{
    // A further Send while the controller window is starting does nothing.
    if (startingController)
        return;
    // A closed window still lets go of its port: a fresh one opens once the
    // port is free.
    if (closingController) {
        if (!openWhenClosed) {
            openWhenClosed = true;
            connect(closingController, &QObject::destroyed, this, [this] {
                openWhenClosed = false;
                closingController = nullptr;   // not yet cleared while it is being destroyed
                showControllerWindow();
            });
        }
        return;
    }
    if (controller) {
        controller->show();
        controller->raise();
        controller->activateWindow();
        mainWindow.hide();
        return;
    }
    auto *w = new ControllerWindow(workspace, &mainWindow);
    startingController = w;
    connect(w, &ControllerWindow::closed, this, [this, w] {
        controller = nullptr;
        closingController = w;
    });
    connect(w, &ControllerWindow::ready, this, [this, w] {
        startingController = nullptr;
        controller = w;
        w->show();
        mainWindow.hide();   // only now that the controller window is ready
    });
    // Given up at the port prompt: the main window stays as it was.
    connect(w, &ControllerWindow::gaveUp, this, [this, w] {
        startingController = nullptr;
        w->deleteLater();
    });
    w->start();
}

void Navigator::mainWindowClosed()
{
    // Closing the main window ends the program whatever else is open.
    for (QWidget *w : {files.data(), controller.data()}) {
        if (w)
            w->hide();
    }
    // A start still waiting for its greeting is abandoned.
    if (startingController)
        startingController->deleteLater();
    QCoreApplication::quit();
}
