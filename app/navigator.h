#pragma once

#include <QObject>
#include <QPointer>

class Form1;
class QWidget;

// Opens, shows and hides the program's three windows as the main window's
// buttons ask, and ends the program when the main window closes.
class Navigator : public QObject
{
    Q_OBJECT
public:
    explicit Navigator(Form1 &mainWindow, QObject *parent = nullptr);
    ~Navigator() override;

    QWidget *fileWindow() const { return form2; }
    QWidget *controllerWindow() const { return form3; }

    void showFileWindow();
    void showControllerWindow();

private:
    void mainWindowClosed();

    Form1 &form1;
    QPointer<QWidget> form2;
    QPointer<QWidget> form3;
    bool controllerStarting = false;
};
