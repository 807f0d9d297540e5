#include "app/navigator.h"

#include "app/form1.h"

#include <QCoreApplication>

Navigator::Navigator(Form1 &mainWindow, QObject *parent)
    : QObject(parent), form1(mainWindow)
{
    connect(&form1, &Form1::saveRequested, this, &Navigator::showFileWindow);
    connect(&form1, &Form1::loadRequested, this, &Navigator::showFileWindow);
    connect(&form1, &Form1::sendRequested, this, &Navigator::showControllerWindow);
    connect(&form1, &Form1::closed, this, &Navigator::mainWindowClosed);
}

Navigator::~Navigator()
{
    delete form2;
    delete form3;
}

void Navigator::showFileWindow()
{
    // The file window is wired in with the schedule file work.
}

void Navigator::showControllerWindow()
{
    // The controller window is wired in with the serial link work.
}

void Navigator::mainWindowClosed()
{
    // Closing the main window ends the program whatever else is open.
    if (form2)
        form2->hide();
    if (form3)
        form3->hide();
    QCoreApplication::quit();
}
