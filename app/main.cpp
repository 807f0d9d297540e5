#include "app/form1.h"
#include "app/navigator.h"
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

    Form1 form1;
    Navigator navigator(form1);
    form1.show();
    form1.activateWindow();
    return app.exec();
}
