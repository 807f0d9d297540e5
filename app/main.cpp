#include "app/main_window.h"
#include "app/navigator.h"
#include "schedule/workspace.h"
#include "widgets/interface_font.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Daywheel"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DAYWHEEL_APP_ID));
    // Only the main window's close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    useInterfaceFont();

    Workspace workspace;
    MainWindow mainWindow(workspace);
    Navigator navigator(workspace, mainWindow);
    mainWindow.show();
    mainWindow.activateWindow();
    return app.exec();
}
