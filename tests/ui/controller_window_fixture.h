// SPDX-License-Identifier: GPL-3.0-or-later
// What every controller window test starts from: a fresh workspace, the
// system clock, short bounds, and a window started against port 10.
#pragma once

#include "ui/controller_window.h"
#include "controller_window_driver.h"
#include "schedule/clock_source.h"
#include "ui/workspace.h"

#include <QPointer>

class ControllerWindowFixture : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        workspace.comPort = 10;
        workspace.week = Week();
        ClockSource::set({});
        workspace.waitBounds = {std::chrono::seconds(5), std::chrono::seconds(5)};
    }
    void cleanup()
    {
        delete window;
        ClockSource::set({});
    }

protected:
    ControllerWindow *startedWindow(QWidget *mainWindow = nullptr)
    {
        window = new ControllerWindow(workspace, mainWindow);
        if (!startAndWait(window))
            return nullptr;
        window->show();
        return window;
    }
    // What the windows under test share, as the application would hand it to them.
    Workspace workspace;
    QPointer<ControllerWindow> window;
};
