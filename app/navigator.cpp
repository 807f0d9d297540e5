#include "app/navigator.h"

#include "app/form1.h"
#include "schedule_file/form2.h"
#include "controller/form3.h"

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
    // Created anew after its close box destroyed it; a hidden one keeps its state.
    if (!form2)
        form2 = new Form2(&form1);
    form2->show();
    form2->raise();
    form2->activateWindow();
}

void Navigator::showControllerWindow()
{
    // A further Send while the controller window is starting does nothing.
    if (controllerStarting)
        return;
    if (form3) {
        form3->show();
        form3->raise();
        form3->activateWindow();
        form1.hide();
        return;
    }
    controllerStarting = true;
    const QPointer<Form3> w = new Form3(&form1);
    const bool ready = w->start();   // runs event loops: the program may end meanwhile
    controllerStarting = false;
    if (!w)
        return;
    if (!ready) {   // given up at the port prompt: the main window stays as it was
        delete w;
        return;
    }
    form3 = w.data();
    w->show();
    form1.hide();   // only now that the controller window is ready
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
