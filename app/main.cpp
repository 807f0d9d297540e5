#include "app/form1.h"
#include "app/navigator.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Daywheel"));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(DAYWHEEL_APP_ID));
    // Only the main window's close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows' layouts were drawn for an 8-point interface font; keep the
    // platform's family but at that size so captions fit their controls.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);

    Form1 form1;
    Navigator navigator(form1);
    form1.show();
    form1.activateWindow();
    return app.exec();
}
