// SPDX-License-Identifier: GPL-3.0-or-later
// daywheel-ctl: the board from scripts, without a display.
#include "app/ctl/ctl_command.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace {
void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
    std::fflush(to);
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("daywheel-ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DAYWHEEL_VERSION));

    CtlArguments arguments;
    std::optional<CtlRequest> request = arguments.parse(QCoreApplication::arguments());
    if (arguments.helpAsked()) {
        // Named as typed in scripts, not by the path it was started from.
        QString help = arguments.helpText();
        help.replace(QCoreApplication::arguments().constFirst(), QStringLiteral("daywheel-ctl"));
        write(stdout, help.toLocal8Bit());
        return exitDone;
    }
    if (arguments.versionAsked()) {
        write(stdout, "daywheel-ctl " DAYWHEEL_VERSION "\n");
        return exitDone;
    }
    if (!request) {
        write(stderr, ("daywheel-ctl: " + arguments.error() + "\nTry 'daywheel-ctl --help'.\n").toLocal8Bit());
        return exitUsage;
    }
    // The firmware installed beside the program, else the one of this build.
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/" DAYWHEEL_INSTALLED_HEX);
    request->firmware = QFileInfo::exists(installed) ? installed : QStringLiteral(DAYWHEEL_BUILD_HEX);
    CtlCommand command(*request, [](const QByteArray &b) { write(stdout, b); },
                       [](const QByteArray &b) { write(stderr, b); });
    QObject::connect(&command, &CtlCommand::finished, &app, &QCoreApplication::exit);
    // From inside the event loop, so a result that comes at once still ends it.
    QTimer::singleShot(0, &command, &CtlCommand::start);
    return app.exec();
}
