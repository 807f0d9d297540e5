// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the three windows, to look at them under a desktop's dark
// colours and font or at a high scale (QT_SCALE_FACTOR):
//   daywheel_window_pictures FOLDER NAME   writes FOLDER/main-window-NAME.png, ...
// NAME "dark" gives the desktop dark colours and a font of its own first.
#include "ui/main_window.h"
#include "ui/controller_window.h"
#include "ui/workspace.h"
#include "ui/file_window.h"
#include "ui/interface_font.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    useInterfaceFont();
    if (argc != 3) {
        std::fputs("usage: daywheel_window_pictures FOLDER NAME\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    if (name == QLatin1String("dark")) {
        QApplication::setPalette(QPalette(QColor(53, 53, 53)));
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    }

    Workspace workspace;
    DayTable day;
    for (int slot = 25; slot <= 34; ++slot)   // 06:00-08:30
        day.set(SlotIndex(slot), 1);
    workspace.week.setEveryDay(day);
    MainWindow mainWindow(workspace);
    mainWindow.show();
    QCoreApplication::processEvents();   // what the window makes once it runs
    mainWindow.timerTick();
    FileWindow fileWindow(workspace, &mainWindow);
    ControllerWindow controllerWindow(workspace, &mainWindow);
    const std::pair<QWidget *, const char *> windows[] = {
        {&mainWindow, "main-window"}, {&fileWindow, "file-window"}, {&controllerWindow, "controller-window"}};

    int failed = 0;
    for (const auto &[window, file] : windows) {
        const QString path = folder.filePath(QString::fromLatin1(file) + u'-' + name + QStringLiteral(".png"));
        if (!folder.mkpath(QStringLiteral(".")) || !window->grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failed;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    }
    return failed == 0 ? 0 : 1;
}
